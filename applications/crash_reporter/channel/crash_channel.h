#pragma once

#include "crash_record.h"

#include <QtGlobal>

#include <optional>

class QDataStream;
class QSharedMemory;
class QString;

using InstanceNumber = std::optional<qint64>;

// "VarnelQ5SM", or "VarnelQ5SM_<instance>" when an instance number is given.
QString crashChannelKey(const InstanceNumber& instance);

// The process-wide shared-memory object for an instance number; it lives until exit.
QSharedMemory* crashChannelMemory(const InstanceNumber& instance);

// Attaches unless already attached; logs code 131 on failure.
bool attachCrashChannel(QSharedMemory& memory);

// Copies and parses the block under its lock. Empty when the block cannot be attached or
// holds no record.
std::optional<CrashRecord> readCrashRecord(const InstanceNumber& instance);

void readCrashRecordFrom(QDataStream& stream, std::optional<CrashRecord>& result);
void readVersion(QDataStream& stream, Orrery::Version& version);
