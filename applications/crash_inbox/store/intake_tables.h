#pragma once

#include <QByteArray>
#include <QList>

// Version 5: what lets packages reach the desk by themselves. `upload_tokens` holds a hash of
// each collector token with the name of the console or site it was made for; `mailbox_messages`
// the messages of a mail server's mailbox fetched so far, by mailbox, UIDVALIDITY and UID.
namespace IntakeTables {

QList<QByteArray> upgradeToVersion5(bool postgres);

} // namespace IntakeTables
