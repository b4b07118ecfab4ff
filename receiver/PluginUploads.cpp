#include "PluginUploads.h"

#include "PluginAnswers.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace kestrel {

namespace {

const QString fileRoute = QStringLiteral("/kestrel/v1/file");
constexpr int attempts = 3;

// What the site or the network said, for the report.
Why refusal(const std::string& name, const PluginReply& reply)
{
    const QString message = reply.body.value(QStringLiteral("message")).toString();
    return {Why::Code::pluginRefused, name,
            reply.error + (message.isEmpty() ? std::string() : ": " + message.toStdString())};
}

} // namespace

PluginUploads::PluginUploads(PluginAddress address, std::string uploadsUrl, std::int64_t largestFile)
    : m_exchange(std::move(address)), m_uploadsUrl(std::move(uploadsUrl)), m_largestFile(largestFile)
{
}

std::int64_t PluginUploads::largestFileFor(std::uint64_t uploadBytes, std::uint64_t postBytes)
{
    std::uint64_t largest = uploadBytes;
    if (postBytes > 0) {
        // Base64 makes 4 bytes of 3; the path and the JSON around it are far less than 16 KiB.
        const std::uint64_t room = postBytes > 16384 ? (postBytes - 16384) / 4 * 3 : 0;
        largest = largest == 0 ? room : std::min(largest, room);
    }
    return static_cast<std::int64_t>(largest);
}

bool PluginUploads::call(const QString& action, const std::string& name, const QByteArray* bytes, PluginReply& reply,
                         Why& why)
{
    QJsonObject request{{QStringLiteral("action"), action},
                        {QStringLiteral("path"), QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))}};
    if (bytes)
        request.insert(QStringLiteral("data"), QString::fromLatin1(bytes->toBase64()));
    const QByteArray json = QJsonDocument(request).toJson(QJsonDocument::Compact);
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        reply = m_exchange.post(fileRoute, json);
        // No answer: the request may or may not have been carried out. Sent again it changes nothing
        // more: the same bytes under the same name are taken as they are.
        if (reply.failure != PluginReply::Failure::Network)
            break;
    }
    if (reply.failure == PluginReply::Failure::None)
        return true;
    why = refusal(name, reply);
    return false;
}

bool PluginUploads::open(Why& why)
{
    // The folder itself answers: a name no file has, looked at.
    Entry entry;
    return look("emlog", entry, why);
}

bool PluginUploads::look(const std::string& name, Entry& entry, Why& why)
{
    PluginReply reply;
    if (!call(QStringLiteral("look"), name, nullptr, reply, why))
        return false;
    entry.exists = reply.body.value(QStringLiteral("exists")).toBool();
    entry.isFile = reply.body.value(QStringLiteral("is_file")).toBool();
    entry.size = static_cast<std::int64_t>(answerCount(reply.body.value(QStringLiteral("size"))));
    entry.sha256 = reply.body.value(QStringLiteral("sha256")).toString().toLatin1();
    return true;
}

QByteArray PluginUploads::read(const std::string& name)
{
    PluginReply reply;
    Why why;
    if (!call(QStringLiteral("read"), name, nullptr, reply, why))
        return {};
    return QByteArray::fromBase64(reply.body.value(QStringLiteral("data")).toString().toLatin1());
}

bool PluginUploads::write(const std::string& name, const QByteArray& bytes, Why& why)
{
    PluginReply reply;
    return call(QStringLiteral("write"), name, &bytes, reply, why);
}

bool PluginUploads::replace(const std::string& name, const QByteArray& bytes, Why& why)
{
    PluginReply reply;
    return call(QStringLiteral("replace"), name, &bytes, reply, why);
}

} // namespace kestrel
