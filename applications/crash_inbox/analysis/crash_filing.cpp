#include "crash_filing.h"

#include "crash_inbox/store/change_watch.h"
#include "crash_inbox/store/inbox_database.h"
#include "crash_inbox/store/package_store.h"
#include "crash_inbox/store/stored_symbols.h"

#include <QSqlError>
#include <QSqlQuery>

void attachCrash(FiledPackage& package, const std::optional<CrashAnalysis::DumpFacts>& facts,
                 const QString& problem, CrashAnalysis::SymbolLookup* symbols)
{
    if (!facts) {
        package.crash.reset();
        package.crashProblem = problem;
        package.signature = QString::fromLatin1(CrashAnalysis::NoDumpFactsSignature);
        return;
    }
    package.crash = FiledCrash{*facts, CrashAnalysis::summariseCrash(*facts, symbols), {}, {}};
    package.crashProblem.clear();
    package.signature = package.crash->summary.signature;
}

namespace {

bool sameSummary(const CrashAnalysis::CrashSummary& a, const CrashAnalysis::CrashSummary& b)
{
    return a.signature == b.signature && a.place == b.place && a.frames == b.frames;
}

} // namespace

std::optional<int> refreshCrashes(PackageStore& store, StoredSymbols& symbols,
                                  const QString& debugFile, const QString& debugId, QString& error)
{
    const auto ids = store.packagesWithModule(debugFile, debugId, error);
    if (!ids)
        return std::nullopt;
    InboxDatabase& database = store.database();
    QSqlQuery query(database.connection());
    if (!query.exec(database.isPostgres() ? QStringLiteral("BEGIN")
                                          : QStringLiteral("BEGIN IMMEDIATE"))) {
        error = QStringLiteral("the database cannot be written: %1").arg(query.lastError().text());
        return std::nullopt;
    }
    int changed = 0;
    bool done = true;
    for (const qint64 id : *ids) {
        std::optional<FiledCrash> crash = store.storedCrash(id, error);
        if (!crash) {
            if (!(done = error.isEmpty()))
                break;
            continue;
        }
        const CrashAnalysis::CrashSummary summary =
            CrashAnalysis::summariseCrash(crash->facts, &symbols);
        if (!symbols.error().isEmpty()) {
            error = symbols.error();
            done = false;
            break;
        }
        if (sameSummary(summary, crash->summary))
            continue;
        if (!(done = store.updateCrash(id, summary, error)))
            break;
        ++changed;
    }
    if (done && changed > 0)
        done = ChangeWatch::announceChange(database, error);
    if (done && query.exec(QStringLiteral("COMMIT")))
        return changed;
    if (done)
        error = QStringLiteral("the database cannot be written: %1").arg(query.lastError().text());
    query.exec(QStringLiteral("ROLLBACK"));
    return std::nullopt;
}
