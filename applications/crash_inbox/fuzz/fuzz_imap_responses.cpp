// libFuzzer target: any server answer must read without a crash, and a fetched message is
// never larger than the limit nor than the answer that held it.
#include "crash_inbox/intake/imap_responses.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray answer(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ImapResponses::uidValidity(answer);
    if (const auto uids = ImapResponses::searchedUids(answer))
        for (qsizetype index = 1; index < uids->size(); ++index)
            if (uids->at(index - 1) >= uids->at(index))
                std::abort();
    constexpr qint64 Limit = 1000;
    if (const auto message = ImapResponses::fetchedMessage(answer, Limit))
        if (message->size() > Limit || message->size() > answer.size())
            std::abort();
    return 0;
}
