#include "mail_reader.h"

#include "orrery_core/platform/regular_file.h"
#include "package_format/content_type.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <gmime/gmime.h>

#include <fcntl.h>

#include <memory>
#include <mutex>

namespace {

struct ObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Object = std::unique_ptr<T, ObjectDeleter>;

const QRegularExpression LocatorPattern(QStringLiteral("^(.*)#(\\d+)/(\\d+)$"));

void initialiseGmime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

QString sender(GMimeMessage* message)
{
    InternetAddressList* from = g_mime_message_get_from(message);
    if (!from || internet_address_list_length(from) == 0)
        return {};
    char* text = internet_address_list_to_string(from, nullptr, FALSE);
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

QDateTime date(GMimeMessage* message)
{
    GDateTime* date = g_mime_message_get_date(message);
    return date ? QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(date), Qt::UTC) : QDateTime();
}

// Forwarded messages within forwarded messages, as deep as any mail program makes them.
constexpr int MaximumForwardDepth = 16;

struct MessageWalk {
    const std::function<void(const MailAttachment&, QFile&)>* found;
    MailAttachment attachment;
    bool failed = false;
    int depth = 0;
};

// Decodes one part into a temporary file of its own and hands it on.
void visitPart(GMimeObject*, GMimeObject* part, gpointer data)
{
    auto& walk = *static_cast<MessageWalk*>(data);
    if (GMIME_IS_MESSAGE_PART(part)) {
        GMimeMessage* forwarded = g_mime_message_part_get_message(GMIME_MESSAGE_PART(part));
        if (forwarded && walk.depth < MaximumForwardDepth) {
            // A forwarded package was sent by the forwarded message's sender, and then.
            const QString outerSender = walk.attachment.sender;
            const QDateTime outerDate = walk.attachment.date;
            const QString innerSender = sender(forwarded);
            const QDateTime innerDate = date(forwarded);
            if (!innerSender.isEmpty())
                walk.attachment.sender = innerSender;
            if (innerDate.isValid())
                walk.attachment.date = innerDate;
            ++walk.depth;
            g_mime_message_foreach(forwarded, visitPart, data);
            --walk.depth;
            walk.attachment.sender = outerSender;
            walk.attachment.date = outerDate;
        }
        return;
    }
    if (!GMIME_IS_PART(part))
        return;
    const char* name = g_mime_part_get_filename(GMIME_PART(part));
    if (!name || !QString::fromUtf8(name).endsWith(QLatin1String(".cdp"), Qt::CaseInsensitive))
        return;
    GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
    QTemporaryFile decoded;
    if (!content || !decoded.open()) {
        walk.failed = true;
        return;
    }
    QFile::remove(decoded.fileName());
    Object<GMimeStream> out(g_mime_stream_fs_new(dup(decoded.handle())));
    const bool written = g_mime_data_wrapper_write_to_stream(content, out.get()) >= 0 &&
                         g_mime_stream_flush(out.get()) == 0;
    out.reset();
    if (written && decoded.seek(0)) {
        walk.attachment.fileName = QString::fromUtf8(name);
        (*walk.found)(walk.attachment, decoded);
    } else {
        walk.failed = true;
    }
    ++walk.attachment.attachment;
}

bool copyTo(QFile& content, const QString& target)
{
    QFile copy(target);
    if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    QByteArray chunk(1024 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 count = content.read(chunk.data(), chunk.size());
        if (count == 0)
            return copy.flush();
        if (count < 0 || copy.write(chunk.constData(), count) != count)
            return false;
    }
}

} // namespace

QString MailAttachment::locator(const QString& mailFile) const
{
    return QStringLiteral("%1#%2/%3").arg(mailFile).arg(message).arg(attachment);
}

namespace {

// Reads messages from the stream (all of an mbox's, or one), numbering them from `first`.
int walkMessages(GMimeStream* stream, bool mbox, int first, bool onlyOne, MessageWalk& walk)
{
    Object<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
    g_mime_parser_set_format(parser.get(), mbox ? GMIME_FORMAT_MBOX : GMIME_FORMAT_MESSAGE);
    int messages = 0;
    while (!g_mime_parser_eos(parser.get())) {
        Object<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
        if (!message)
            break;
        std::optional<qint64> offset;
        if (mbox)
            offset = g_mime_parser_get_mbox_marker_offset(parser.get());
        walk.attachment = MailAttachment{first + messages++,  0,     {}, sender(message.get()),
                                         date(message.get()), offset};
        g_mime_message_foreach(message.get(), visitPart, &walk);
        if (!mbox || onlyOne)
            break;
    }
    return messages;
}

} // namespace

bool forEachMailPackage(const QString& mailFile, bool mbox,
                        const std::function<void(const MailAttachment&, QFile& content)>& found,
                        QString& error)
{
    initialiseGmime();
    bool notRegular = false;
    const std::unique_ptr<QFile> file =
        Orrery::Platform::openRegularFile(mailFile, error, notRegular);
    if (!file) {
        error = notRegular ? QStringLiteral("it is not a regular file")
                           : QStringLiteral("it cannot be read (%1)").arg(error);
        return false;
    }
    Object<GMimeStream> stream(g_mime_stream_fs_new(dup(file->handle())));
    MessageWalk walk{&found, {}};
    const int messages = walkMessages(stream.get(), mbox, 0, false, walk);
    if (messages == 0) {
        error = QStringLiteral("it is neither a crash package nor mail");
        return false;
    }
    if (walk.failed) {
        error = QStringLiteral("an attachment cannot be decoded");
        return false;
    }
    return true;
}

bool isMailLocator(const QString& file)
{
    return LocatorPattern.match(file).hasMatch() && !QFile::exists(file);
}

bool saveMailPackage(const QString& locator, const QString& target,
                     const std::optional<qint64>& offset, QString& error)
{
    const QRegularExpressionMatch match = LocatorPattern.match(locator);
    if (!match.hasMatch()) {
        error = QStringLiteral("%1 names no mail attachment").arg(locator);
        return false;
    }
    const QString mailFile = match.captured(1);
    const int message = match.captured(2).toInt();
    const int attachment = match.captured(3).toInt();
    bool notRegular = false;
    const std::unique_ptr<QFile> start =
        Orrery::Platform::openRegularFile(mailFile, error, notRegular);
    const bool mbox = start && contentType(*start).inherits(QStringLiteral("application/mbox"));
    bool saved = false;
    const std::function<void(const MailAttachment&, QFile&)> keep = [&](const MailAttachment& found,
                                                                        QFile& content) {
        if (found.message == message && found.attachment == attachment)
            saved = copyTo(content, target);
    };
    // The message where it was found, read alone: an mbox of thousands is not decoded whole.
    if (mbox && offset && start->seek(*offset) && start->peek(5) == "From ") {
        initialiseGmime();
        Object<GMimeStream> stream(
            g_mime_stream_fs_new_with_bounds(dup(start->handle()), *offset, -1));
        MessageWalk walk{&keep, {}};
        walkMessages(stream.get(), true, message, true, walk);
        if (saved)
            return true;
    }
    const bool read = forEachMailPackage(mailFile, mbox, keep, error);
    if (read && !saved)
        error = QStringLiteral("%1 is no longer in %2").arg(locator, mailFile);
    return read && saved;
}
