#include "crash_rows.h"

#include "crash_encoding.h"
#include "row_insert.h"
#include "row_reader.h"
#include "sql_failure.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>

namespace CrashRows {

namespace {

using CrashAnalysis::hexAddress;

QVariant nullText()
{
    return QVariant(QMetaType::fromType<QString>());
}

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? nullText() : QVariant(text);
}

template <typename T>
QVariant orNull(const std::optional<T>& value)
{
    if (!value)
        return QVariant(QMetaType::fromType<T>());
    return QVariant::fromValue(*value);
}

QVariant hexOrNull(const std::optional<quint64>& value)
{
    return value ? QVariant(hexAddress(*value)) : nullText();
}

std::optional<quint64> hexValue(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    const quint64 number = value.toString().mid(2).toULongLong(&ok, 16);
    return ok ? std::optional(number) : std::nullopt;
}

std::optional<QString> optionalText(const QVariant& value)
{
    return value.isNull() ? std::nullopt : std::optional(value.toString());
}

QVariant nullBytes()
{
    return QVariant(QMetaType::fromType<QByteArray>());
}

} // namespace

QStringList columns()
{
    return QStringList{QStringLiteral("dump_read"),    QStringLiteral("crash_problem"),
                       QStringLiteral("crash_os"),     QStringLiteral("crash_cpu"),
                       QStringLiteral("crash_reason"), QStringLiteral("crash_address"),
                       QStringLiteral("crash_thread"), QStringLiteral("crash_modules")} +
           summaryColumns();
}

QStringList summaryColumns()
{
    return {QStringLiteral("signature"),
            QStringLiteral("crash_module"),
            QStringLiteral("crash_module_version"),
            QStringLiteral("crash_offset"),
            QStringLiteral("crash_function"),
            QStringLiteral("crash_source_file"),
            QStringLiteral("crash_source_line"),
            QStringLiteral("crash_place"),
            QStringLiteral("crash_frames")};
}

QVariantList values(const FiledPackage& package, const QVariant& moduleList)
{
    const std::optional<FiledCrash>& crash = package.crash;
    const CrashAnalysis::DumpFacts facts = crash ? crash->facts : CrashAnalysis::DumpFacts{};
    CrashAnalysis::CrashSummary summary = crash ? crash->summary : CrashAnalysis::CrashSummary{};
    summary.signature = package.signature;
    // A package has its crash, or a reason why not.
    const QString problem = crash || !package.crashProblem.isEmpty()
                                ? package.crashProblem
                                : QStringLiteral("its dump was not read");
    QVariant thread = nullBytes();
    if (crash)
        thread = crash->encodedThread.isEmpty() ? CrashEncoding::encodeThread(facts.thread)
                                                : crash->encodedThread;
    const QVariantList values{1,
                              textOrNull(problem),
                              textOrNull(facts.os),
                              textOrNull(facts.cpu),
                              textOrNull(facts.reason),
                              hexOrNull(facts.address),
                              thread,
                              moduleList};
    QVariantList all = values + summaryValues(summary);
    if (!crash)
        all.last() = nullBytes();
    return all;
}

QVariantList summaryValues(const CrashAnalysis::CrashSummary& summary)
{
    return {summary.signature,
            orNull(summary.module),
            orNull(summary.moduleVersion),
            hexOrNull(summary.offset),
            orNull(summary.function),
            orNull(summary.sourceFile),
            orNull(summary.sourceLine),
            textOrNull(summary.place),
            CrashEncoding::encodeFrames(summary.frames)};
}

std::optional<QVariant> keepModuleList(QSqlQuery& query, const FiledPackage& package,
                                       QString& error)
{
    if (!package.crash)
        return QVariant(QMetaType::fromType<qint64>());
    const QByteArray modules = package.crash->encodedModules.isEmpty()
                                   ? CrashEncoding::encodeModules(package.crash->facts.modules)
                                   : package.crash->encodedModules;
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(modules, QCryptographicHash::Sha256).toHex());
    const auto failed = [&]() -> std::optional<QVariant> {
        error = sqlFailure(QStringLiteral("the database cannot be written"), query);
        return std::nullopt;
    };
    query.prepare(QStringLiteral("SELECT id FROM module_lists WHERE digest = ?"));
    query.addBindValue(digest);
    if (!query.exec())
        return failed();
    if (query.next())
        return query.value(0);
    // Another process may keep the same list meanwhile: then its list is the one.
    query.prepare(QStringLiteral("INSERT INTO module_lists (digest, modules) VALUES (?, ?) ON "
                                 "CONFLICT (digest) DO NOTHING RETURNING id"));
    query.addBindValue(digest);
    query.addBindValue(modules);
    if (!query.exec())
        return failed();
    if (!query.next())
        return keepModuleList(query, package, error);
    const QVariant id = query.value(0);
    QList<QVariantList> keys;
    for (const CrashAnalysis::DumpModule& module : package.crash->facts.modules) {
        const QVariantList key{id, module.debugFile, module.debugId};
        if (!module.debugId.isEmpty() && !keys.contains(key))
            keys.append(key);
    }
    if (!insertRows(
            query, QStringLiteral("module_list_keys"),
            {QStringLiteral("list_id"), QStringLiteral("debug_file"), QStringLiteral("debug_id")},
            keys))
        return failed();
    return id;
}

void readColumns(const RowReader& row, FiledPackage& package)
{
    package.signature = row.value(QStringLiteral("signature")).toString();
    package.crashProblem = row.value(QStringLiteral("crash_problem")).toString();
    if (!package.crashProblem.isEmpty() || row.value(QStringLiteral("dump_read")).toInt() == 0)
        return;
    FiledCrash& crash = package.crash.emplace();
    crash.facts.os = row.value(QStringLiteral("crash_os")).toString();
    crash.facts.cpu = row.value(QStringLiteral("crash_cpu")).toString();
    crash.facts.reason = row.value(QStringLiteral("crash_reason")).toString();
    crash.facts.address = hexValue(row.value(QStringLiteral("crash_address")));
    CrashAnalysis::CrashSummary& summary = crash.summary;
    summary.signature = package.signature;
    summary.module = optionalText(row.value(QStringLiteral("crash_module")));
    summary.moduleVersion = optionalText(row.value(QStringLiteral("crash_module_version")));
    summary.offset = hexValue(row.value(QStringLiteral("crash_offset")));
    summary.function = optionalText(row.value(QStringLiteral("crash_function")));
    summary.sourceFile = optionalText(row.value(QStringLiteral("crash_source_file")));
    const QVariant line = row.value(QStringLiteral("crash_source_line"));
    if (!line.isNull())
        summary.sourceLine = line.toLongLong();
    summary.place = row.value(QStringLiteral("crash_place")).toString();
    if (row.has(QStringLiteral("crash_frames")))
        summary.frames =
            CrashEncoding::decodeFrames(row.value(QStringLiteral("crash_frames")).toByteArray())
                .value_or(QList<CrashAnalysis::CrashFrame>());
}

bool readDetails(QSqlQuery& query, qint64 id, FiledCrash& crash, QString& error)
{
    query.prepare(QStringLiteral("SELECT crash_thread, modules FROM packages LEFT JOIN "
                                 "module_lists ON module_lists.id = crash_modules WHERE "
                                 "packages.id = ?"));
    query.addBindValue(id);
    if (!query.exec() || !query.next()) {
        error = sqlFailure(QStringLiteral("the crash of package %1 cannot be read").arg(id), query);
        return false;
    }
    if (const auto thread = CrashEncoding::decodeThread(query.value(0).toByteArray()))
        crash.facts.thread = *thread;
    if (const auto modules = CrashEncoding::decodeModules(query.value(1).toByteArray()))
        crash.facts.modules = *modules;
    return true;
}

} // namespace CrashRows
