#pragma once

#include "crash_inbox/store/filed_package.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>

// How packages and groups are shown: as JSON (absent values null) and as text for people.
QJsonObject packageJson(const FiledPackage& package);     // show
QJsonObject packageListJson(const FiledPackage& package); // one row of list
QJsonObject groupJson(const CrashGroup& group);
QJsonObject signatureGroupJson(const SignatureGroup& group);

void writePackageText(QTextStream& out, const FiledPackage& package);
void writePackageListText(QTextStream& out, const QList<FiledPackage>& packages);
void writeGroupsText(QTextStream& out, const QList<CrashGroup>& groups);
void writeSignatureGroupsText(QTextStream& out, const QList<SignatureGroup>& groups);
// "#12 fixed in 6.4.1", "#12 regressed (fixed in 6.4.1)", "#7 new": a group's triage.
QString triageText(const GroupTriage& triage);

QByteArray jsonText(const QJsonValue& value);
