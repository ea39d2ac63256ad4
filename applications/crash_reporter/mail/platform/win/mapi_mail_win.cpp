#include "crash_reporter/mail/platform/mail_hand_off.h"

#include <QByteArray>

#include <windows.h>

#include <mapi.h>

#include <array>
#include <cstring>

namespace CrashReporter::Platform {

namespace {

constexpr std::size_t TextBufferSize = 272;
using TextBuffer = std::array<char, TextBufferSize>;

// Latin-1 into a buffer of its own; a text that does not fit is refused.
bool copyText(const QString& text, TextBuffer& buffer)
{
    const QByteArray latin1 = text.toLatin1();
    if (std::size_t(latin1.size()) >= TextBufferSize)
        return false;
    std::memcpy(buffer.data(), latin1.constData(), std::size_t(latin1.size()));
    buffer[std::size_t(latin1.size())] = '\0';
    return true;
}

bool isAcceptedResult(ULONG result)
{
    return result == SUCCESS_SUCCESS || result == MAPI_USER_ABORT || result == MAPI_E_LOGIN_FAILURE;
}

} // namespace

// MAPISendMail returns only once the client is done: nothing can fail later.
bool sendMapiMail(const QString& recipientName, const QString& recipientAddress,
                  const QString& subject, const QString& body, const QString& attachmentPath,
                  std::function<void(int)>)
{
    HMODULE module = LoadLibraryW(L"mapi32.dll");
    if (module == nullptr)
        return false;
    const auto send = reinterpret_cast<LPMAPISENDMAIL>(GetProcAddress(module, "MAPISendMail"));
    if (send == nullptr) {
        FreeLibrary(module);
        return false;
    }

    TextBuffer name{}, address{}, subjectText{}, bodyText{}, pathName{}, fileName{};
    if (!copyText(recipientName, name) || !copyText(recipientAddress, address) ||
        !copyText(subject, subjectText) || !copyText(body, bodyText) ||
        !copyText(attachmentPath, pathName) || !copyText(attachmentPath, fileName)) {
        FreeLibrary(module);
        return false;
    }

    MapiRecipDesc recipient{};
    recipient.ulReserved = 0;
    recipient.ulRecipClass = MAPI_TO;
    recipient.lpszName = name.data();
    recipient.lpszAddress = address.data();
    recipient.ulEIDSize = 0;
    recipient.lpEntryID = nullptr;

    MapiFileDesc file{};
    file.ulReserved = 0;
    file.flFlags = 0;
    file.nPosition = 0xFFFFFFFF;
    file.lpszPathName = pathName.data();
    file.lpszFileName = fileName.data();
    file.lpFileType = nullptr;

    MapiMessage message{};
    message.ulReserved = 0;
    message.lpszSubject = subjectText.data();
    message.lpszNoteText = bodyText.data();
    message.lpszMessageType = nullptr;
    message.lpszDateReceived = nullptr;
    message.lpszConversationID = nullptr;
    message.flFlags = 0;
    message.lpOriginator = nullptr;
    message.nRecipCount = 1;
    message.lpRecips = &recipient;
    message.nFileCount = attachmentPath.isEmpty() ? 0 : 1;
    message.lpFiles = attachmentPath.isEmpty() ? nullptr : &file;

    const ULONG result = send(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
    FreeLibrary(module);
    return isAcceptedResult(result);
}

// MAPISendMail returns once the compose window is closed.
bool mailClientReleasesAttachmentOnReturn()
{
    return true;
}

} // namespace CrashReporter::Platform
