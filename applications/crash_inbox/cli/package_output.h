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

QByteArray jsonText(const QJsonValue& value);
