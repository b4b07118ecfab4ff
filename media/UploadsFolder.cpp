#include "UploadsFolder.h"

#include "BlogPaths.h"
#include "LocalUploads.h"
#include "TextHelpers.h"

#include <QCryptographicHash>
#include <QList>

namespace kestrel {

namespace {

const std::string listName = "emlog/.kestrel-files";

// "a/b/x.jpg" -> "a/b/x-N.jpg"
std::string numbered(const std::string& path, int number)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    const auto at = (dot == std::string::npos || (slash != std::string::npos && dot < slash)) ? path.size() : dot;
    return path.substr(0, at) + "-" + std::to_string(number) + path.substr(at);
}

QByteArray sha256Of(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace

UploadsFolder::UploadsFolder(const QString& root) : UploadsFolder(std::make_unique<LocalUploads>(root)) {}

UploadsFolder::UploadsFolder(std::unique_ptr<UploadsStore> store) : m_store(std::move(store)) {}

QByteArray UploadsFolder::hashOf(const QByteArray& bytes)
{
    // BLAKE2b: as safe a fingerprint as SHA-256, and several times faster in Qt's own code.
    return QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256).toHex();
}

bool UploadsFolder::open(Why& why)
{
    if (!m_store->open(why))
        return false;
    UploadsStore::Entry entry;
    Why refused;
    if (!m_store->look(listName, entry, refused) || !entry.isFile)
        return true; // no earlier run (or a list behind a link, never followed)
    // One line per file: blog path, path in the uploads folder, size, BLAKE2b-256 (SHA-256 in lists before it),
    // tab-separated.
    for (const QByteArray& line : m_store->read(listName).split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split('\t');
        if (fields.size() != 4 || !isSafeName(fields[1].toStdString()))
            continue;
        m_placed[fields[0].toStdString()] = {fields[1].toStdString(), fields[2].toLongLong(), fields[3]};
        m_blogPathOf[fields[1].toStdString()] = fields[0].toStdString();
    }
    return true;
}

const UploadsFolder::Placed* UploadsFolder::placedEarlier(const std::string& blogPath)
{
    const auto found = m_placed.find(blogPath);
    if (found == m_placed.end())
        return nullptr;
    Placed& placed = found->second;
    UploadsStore::Entry entry;
    Why why;
    if (!isSafeName(placed.uploadsPath) || !m_store->look(placed.uploadsPath, entry, why) || !entry.isFile ||
        entry.size != placed.size)
        return nullptr;
    const QByteArray bytes = read(placed.uploadsPath);
    QByteArray hash = hashOf(bytes);
    if (hash != placed.blake2b) {
        // Listed by a run from before the hash was BLAKE2b: its SHA-256, listed from now on as BLAKE2b.
        if (sha256Of(bytes) != placed.blake2b)
            return nullptr;
        placed.blake2b = std::move(hash);
    }
    return &placed;
}

QByteArray UploadsFolder::read(const std::string& uploadsPath)
{
    if (uploadsPath != m_lastRead || m_lastRead.empty()) {
        m_lastBytes = isSafeName(uploadsPath) ? m_store->read(uploadsPath) : QByteArray();
        m_lastRead = uploadsPath;
    }
    return m_lastBytes;
}

bool UploadsFolder::holds(const std::string& name, const UploadsStore::Entry& entry, const QByteArray& bytes,
                          const QByteArray& hash)
{
    if (!entry.isFile || entry.size != bytes.size())
        return false;
    // A store that tells a file's SHA-256 spares reading it back.
    if (!entry.sha256.isEmpty())
        return entry.sha256 == sha256Of(bytes);
    return hashOf(read(name)) == hash;
}

std::string UploadsFolder::place(const std::string& blogPath, const std::string& wanted, const QByteArray& bytes,
                                 Why& why)
{
    return place(blogPath, wanted, bytes, hashOf(bytes), why);
}

std::string UploadsFolder::place(const std::string& blogPath, const std::string& wanted, const QByteArray& bytes,
                                 const QByteArray& hash, Why& why)
{
    if (const std::int64_t largest = m_store->largestFile(); largest > 0 && bytes.size() > largest) {
        why = {Why::Code::largerThanWordPress, std::to_string(bytes.size()), std::to_string(largest)};
        return {};
    }
    for (int number = 0; number < 1000; ++number) {
        const std::string name = number == 0 ? wanted : numbered(wanted, number);
        if (unsafeNameBecause(name)) {
            why = {Why::Code::unsafeName, name, {}};
            return {};
        }
        UploadsStore::Entry entry;
        if (!m_store->look(name, entry, why))
            return {};
        // Another file holds the name: a different one keeps it, the same one is taken as it is.
        const auto owner = m_blogPathOf.find(name);
        const bool taken = owner != m_blogPathOf.end() && owner->second != blogPath;
        if (entry.exists && (taken || !holds(name, entry, bytes, hash)))
            continue;
        if (!entry.exists) {
            if (name == m_lastRead)
                m_lastRead.clear();
            if (!m_store->write(name, bytes, why))
                return {};
        }
        m_placed[blogPath] = {name, bytes.size(), hash};
        m_blogPathOf[name] = blogPath;
        return name;
    }
    why = {Why::Code::noFreeName, wanted, {}};
    return {};
}

bool UploadsFolder::saveList(Why& why)
{
    if (m_placed.empty())
        return true;
    QByteArray list;
    for (const auto& [blogPath, placed] : m_placed) {
        // A name holding a tab or a line break cannot be listed; it is copied again next time.
        if (blogPath.find_first_of("\t\r\n") != std::string::npos ||
            placed.uploadsPath.find_first_of("\t\r\n") != std::string::npos)
            continue;
        list += QByteArray::fromStdString(blogPath + "\t" + placed.uploadsPath + "\t" + std::to_string(placed.size) +
                                          "\t") +
                placed.blake2b + "\n";
    }
    // Unchanged since it was read: nothing is written (a run again writes nothing).
    UploadsStore::Entry entry;
    Why ignored;
    if (m_store->look(listName, entry, ignored) && entry.isFile && entry.size == list.size() &&
        m_store->read(listName) == list)
        return true;
    return m_store->replace(listName, list, why);
}

} // namespace kestrel
