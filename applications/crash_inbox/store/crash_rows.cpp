#include "crash_rows.h"

#include <QSqlDatabase>
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

QString failure(const QString& what, const QSqlQuery& query)
{
    return QStringLiteral("%1: %2").arg(what, query.lastError().text());
}

} // namespace

QStringList columns()
{
    return QStringList{QStringLiteral("dump_read"),    QStringLiteral("crash_problem"),
                       QStringLiteral("crash_os"),     QStringLiteral("crash_cpu"),
                       QStringLiteral("crash_reason"), QStringLiteral("crash_address"),
                       QStringLiteral("crash_thread")} +
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
            QStringLiteral("crash_place")};
}

QVariantList values(const FiledPackage& package)
{
    const std::optional<FiledCrash>& crash = package.crash;
    const CrashAnalysis::DumpFacts facts = crash ? crash->facts : CrashAnalysis::DumpFacts{};
    CrashAnalysis::CrashSummary summary = crash ? crash->summary : CrashAnalysis::CrashSummary{};
    summary.signature = package.signature;
    // A package has its crash, or a reason why not.
    const QString problem = crash || !package.crashProblem.isEmpty()
                                ? package.crashProblem
                                : QStringLiteral("its dump was not read");
    const QVariantList values{1,
                              textOrNull(problem),
                              textOrNull(facts.os),
                              textOrNull(facts.cpu),
                              textOrNull(facts.reason),
                              hexOrNull(facts.address),
                              crash ? QVariant(CrashAnalysis::serialised(facts.thread))
                                    : QVariant(QMetaType::fromType<QByteArray>())};
    return values + summaryValues(summary);
}

QVariantList summaryValues(const CrashAnalysis::CrashSummary& summary)
{
    return {summary.signature,          orNull(summary.module),   orNull(summary.moduleVersion),
            hexOrNull(summary.offset),  orNull(summary.function), orNull(summary.sourceFile),
            orNull(summary.sourceLine), textOrNull(summary.place)};
}

bool insertDetails(QSqlQuery& query, qint64 id, const FiledPackage& package, QString& error)
{
    if (!package.crash)
        return true;
    query.prepare(QStringLiteral("INSERT INTO package_modules (package_id, position, path, base, "
                                 "size, version, debug_file, debug_id) VALUES (?, ?, ?, ?, ?, ?, "
                                 "?, ?)"));
    const QList<CrashAnalysis::DumpModule>& modules = package.crash->facts.modules;
    for (qsizetype position = 0; position < modules.size(); ++position) {
        const CrashAnalysis::DumpModule& module = modules.at(position);
        for (const QVariant& value :
             {QVariant(id), QVariant(int(position)), QVariant(module.path),
              QVariant(hexAddress(module.base)), QVariant(qint64(module.size)),
              orNull(module.version), QVariant(module.debugFile), QVariant(module.debugId)})
            query.addBindValue(value);
        if (!query.exec()) {
            error = failure(QStringLiteral("%1 cannot be filed").arg(package.file), query);
            return false;
        }
    }
    return replaceFrames(query, id, package.crash->summary.frames, error);
}

bool replaceFrames(QSqlQuery& query, qint64 id, const QList<CrashAnalysis::CrashFrame>& frames,
                   QString& error)
{
    query.prepare(QStringLiteral("DELETE FROM package_frames WHERE package_id = ?"));
    query.addBindValue(id);
    if (!query.exec()) {
        error = failure(QStringLiteral("the crash's frames cannot be kept"), query);
        return false;
    }
    query.prepare(QStringLiteral("INSERT INTO package_frames (package_id, position, module, "
                                 "module_offset, function, source_file, source_line, trust, "
                                 "place) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (qsizetype position = 0; position < frames.size(); ++position) {
        const CrashAnalysis::CrashFrame& frame = frames.at(position);
        for (const QVariant& value :
             {QVariant(id), QVariant(int(position)), orNull(frame.module),
              QVariant(hexAddress(frame.offset)), orNull(frame.function), orNull(frame.sourceFile),
              orNull(frame.sourceLine), QVariant(CrashAnalysis::trustName(frame.trust)),
              QVariant(frame.place)})
            query.addBindValue(value);
        if (!query.exec()) {
            error = failure(QStringLiteral("the crash's frames cannot be kept"), query);
            return false;
        }
    }
    return true;
}

void readColumns(const QSqlQuery& query, FiledPackage& package)
{
    package.signature = query.value(QStringLiteral("signature")).toString();
    package.crashProblem = query.value(QStringLiteral("crash_problem")).toString();
    if (!package.crashProblem.isEmpty() || query.value(QStringLiteral("dump_read")).toInt() == 0)
        return;
    FiledCrash& crash = package.crash.emplace();
    crash.facts.os = query.value(QStringLiteral("crash_os")).toString();
    crash.facts.cpu = query.value(QStringLiteral("crash_cpu")).toString();
    crash.facts.reason = query.value(QStringLiteral("crash_reason")).toString();
    crash.facts.address = hexValue(query.value(QStringLiteral("crash_address")));
    CrashAnalysis::CrashSummary& summary = crash.summary;
    summary.signature = package.signature;
    summary.module = optionalText(query.value(QStringLiteral("crash_module")));
    summary.moduleVersion = optionalText(query.value(QStringLiteral("crash_module_version")));
    summary.offset = hexValue(query.value(QStringLiteral("crash_offset")));
    summary.function = optionalText(query.value(QStringLiteral("crash_function")));
    summary.sourceFile = optionalText(query.value(QStringLiteral("crash_source_file")));
    const QVariant line = query.value(QStringLiteral("crash_source_line"));
    if (!line.isNull())
        summary.sourceLine = line.toLongLong();
    summary.place = query.value(QStringLiteral("crash_place")).toString();
}

bool readDetails(const QSqlDatabase& database, qint64 id, FiledCrash& crash, QString& error)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT crash_thread FROM packages WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec() || !query.next()) {
        error = failure(QStringLiteral("the crash cannot be read"), query);
        return false;
    }
    if (const auto thread = CrashAnalysis::crashingThreadFrom(query.value(0).toByteArray()))
        crash.facts.thread = *thread;
    query.prepare(QStringLiteral("SELECT path, base, size, version, debug_file, debug_id FROM "
                                 "package_modules WHERE package_id = ? ORDER BY position"));
    query.addBindValue(id);
    if (!query.exec()) {
        error = failure(QStringLiteral("the crash's modules cannot be read"), query);
        return false;
    }
    while (query.next())
        crash.facts.modules << CrashAnalysis::DumpModule{query.value(0).toString(),
                                                         hexValue(query.value(1)).value_or(0),
                                                         quint64(query.value(2).toLongLong()),
                                                         optionalText(query.value(3)),
                                                         query.value(4).toString(),
                                                         query.value(5).toString()};
    query.prepare(QStringLiteral("SELECT module, module_offset, function, source_file, "
                                 "source_line, trust, place FROM package_frames WHERE "
                                 "package_id = ? ORDER BY position"));
    query.addBindValue(id);
    if (!query.exec()) {
        error = failure(QStringLiteral("the crash's frames cannot be read"), query);
        return false;
    }
    crash.summary.frames.clear();
    while (query.next()) {
        CrashAnalysis::CrashFrame frame;
        frame.module = optionalText(query.value(0));
        frame.offset = hexValue(query.value(1)).value_or(0);
        frame.function = optionalText(query.value(2));
        frame.sourceFile = optionalText(query.value(3));
        if (!query.isNull(4))
            frame.sourceLine = query.value(4).toLongLong();
        frame.trust = CrashAnalysis::trustFromName(query.value(5).toString());
        frame.place = query.value(6).toString();
        crash.summary.frames << frame;
    }
    return true;
}

} // namespace CrashRows
