#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace kestrel {

// WordPress's uploads folder, written only below itself: a name that would lead out (an
// absolute path, "..", a NUL) or through a symbolic link is refused. It keeps a list of the
// files earlier runs put there, with their size and hash, so that a run copies a file once.
class UploadsFolder
{
public:
    struct Placed
    {
        std::string uploadsPath; // relative to the folder
        std::int64_t size = 0;
        QByteArray blake2b; // hex, as hashOf() gives it; a list of older runs holds a SHA-256 here
    };

    explicit UploadsFolder(const QString& root);

    // False, with the reason, when the folder cannot be made or read.
    bool open(std::string& error);
    QString root() const { return m_root; }

    // What an earlier run placed for a file of the blog, when it is still there unchanged.
    const Placed* placedEarlier(const std::string& blogPath);
    // Writes a file under `wanted` or, when another file of that name is there, a free name
    // beside it ("x-1.jpg"); gives the name used, or "" with the reason.
    std::string place(const std::string& blogPath, const std::string& wanted, const QByteArray& bytes,
                      std::string& error);
    // The same with the bytes' hash (hashOf) already known.
    std::string place(const std::string& blogPath, const std::string& wanted, const QByteArray& bytes,
                      const QByteArray& hash, std::string& error);
    // Reads back a file placed earlier.
    QByteArray read(const std::string& uploadsPath) const;
    // Keeps the list for the next run.
    bool saveList(std::string& error) const;

    static QByteArray hashOf(const QByteArray& bytes);

private:
    // The absolute path of a name below the folder, after its folders exist and none is a link; "" when refused.
    QString safePath(const std::string& uploadsPath, std::string& error, bool makeFolders) const;
    QString listPath() const;

    QString m_root;
    std::map<std::string, Placed> m_placed;          // by blog path
    std::map<std::string, std::string> m_blogPathOf; // by the name it was placed under
};

} // namespace kestrel
