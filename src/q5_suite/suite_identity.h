#pragma once

#include "orrery_core/diagnostics/application_description.h"
#include "q5_suite/suite_version.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

enum class SuiteApplication : std::uint32_t {
    KeyTool = 0,
    Controller = 1,
    ControllerWatchdog = 2,
    ControllerCrashDesk = 3,
    StagePreview = 4,
    ConsoleMimic = 5,
    RestoreAssistant = 6,
    // The service department's, not the console's.
    CrashInbox = 7,
};

using ProductModel = std::optional<std::uint8_t>;

struct ApplicationIdentity {
    SuiteApplication application = SuiteApplication::ControllerCrashDesk;
    ProductModel productModel;
};

namespace Suite {

inline constexpr char CompanyWord[] = "Varnel";
inline constexpr char ProductFamilyName[] = "Q5";
inline constexpr char OrganisationName[] = "Varnel Professional";
inline constexpr char OrganisationDomain[] = "varnel.example";
inline constexpr char ProductDomain[] = "q5.varnel.example";
inline constexpr char ServiceDepartmentName[] = "Varnel service department";
inline constexpr char ServiceDepartmentAddress[] = "service@varnel.example";
inline constexpr char CrashDumpsFolderName[] = "Crash Dumps";
inline constexpr char CompanyLegalName[] = "Varnel Professional Ltd";

} // namespace Suite

// "Q5-PC" … "Q5-S50" for 0 to 5, the empty text from 6 on.
QString productModelName(std::uint8_t productModel);

// The product model name, or "Q5" when the model is unknown.
QString productName(const ProductModel& productModel);

QString suiteApplicationName(const ApplicationIdentity& identity);

// "Varnel " followed by the suite application name.
QString applicationName(const ApplicationIdentity& identity);

// The names, version and build of a suite application, as the toolkit shows them.
Orrery::ApplicationDescription describeApplication(const ApplicationIdentity& identity);

// The path, cleaned, when it is absolute and not the file system's root; empty else. A folder
// of the user's from the environment ($HOME, XDG_DOCUMENTS_DIR, XDG_STATE_HOME) must be one
// before anything is written under it.
QString usableFolder(const QString& path);

// <documents>/Varnel Professional/<application>/Crash Dumps/, created when missing; empty when
// the documents folder is no usable folder.
QString crashDumpsPath(SuiteApplication application);
// The same path, not created.
QString crashDumpsFolder(SuiteApplication application);

// Creates the folder path when it does not exist; the levels it creates are the user's alone
// (0700), those that exist keep their modes. The levels it made, top first; none when the path
// could not be made.
std::optional<QStringList> ensurePathExists(const QString& path);

// Removes those of the folders (levels ensurePathExists made) that are empty, deepest first.
void removeEmptyFolders(const QStringList& folders);

QString buildDate();
QString buildTime();
QString buildCommit();
