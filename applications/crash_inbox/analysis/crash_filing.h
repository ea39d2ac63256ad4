#pragma once

#include "crash_inbox/store/filed_package.h"

#include <optional>

class PackageStore;
class StoredSymbols;
namespace CrashAnalysis {
class SymbolLookup;
}

// A package's crash as it is filed: its dump's facts, walked and named with the symbols known
// then; without facts, why not.
void attachCrash(FiledPackage& package, const std::optional<CrashAnalysis::DumpFacts>& facts,
                 const QString& problem, CrashAnalysis::SymbolLookup* symbols);

// Walks and names again the crashes of the packages whose process held the module, now that
// symbols for it are known, in one transaction; how many changed.
std::optional<int> refreshCrashes(PackageStore& store, StoredSymbols& symbols,
                                  const QString& debugFile, const QString& debugId, QString& error);
