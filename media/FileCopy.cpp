#include "FileCopy.h"

#include "BlogPaths.h"
#include "FileSource.h"
#include "UploadsFolder.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace kestrel {

namespace {

// The files fetched and not yet placed: the fetch waits while it is full, so that a fast
// source never holds more than a few files in memory.
class Arrivals
{
public:
    struct Item
    {
        std::size_t index = 0;
        QByteArray bytes;
        std::optional<Why> why;
    };

    void push(Item item)
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_items.size() < capacity; });
        m_items.push_back(std::move(item));
        m_ready.notify_one();
    }
    void close()
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_ready.notify_all();
    }
    // False once closed and empty.
    bool pop(Item& item)
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_items.empty() || m_closed; });
        if (m_items.empty())
            return false;
        item = std::move(m_items.front());
        m_items.pop_front();
        m_room.notify_one();
        return true;
    }

private:
    static constexpr std::size_t capacity = 16;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_room;
    std::deque<Item> m_items;
    bool m_closed = false;
};

} // namespace

void copyFiles(
    FileSource& source, UploadsFolder& folder, const std::vector<std::string>& blogPaths,
    const std::function<void(const std::string& blogPath, PlacedFile file, const std::optional<Why>& why)>& done,
    std::stop_token stop)
{
    // Reading an image's header and hashing its bytes take longer than fetching it from a local
    // folder: they are done on every core, while the folder and `done` are used by one at a time.
    Arrivals arrivals;
    std::mutex placing;
    auto work = [&] {
        Arrivals::Item item;
        while (arrivals.pop(item)) {
            const std::string& blogPath = blogPaths[item.index];
            PlacedFile file;
            std::optional<Why> why = std::move(item.why);
            QByteArray hash;
            if (!why) {
                file.facts = readFileFacts(item.bytes, baseName(blogPath));
                hash = UploadsFolder::hashOf(item.bytes);
            }
            std::lock_guard lock(placing);
            if (!why) {
                Why refused;
                file.uploadsPath = folder.place(blogPath, uploadsPathOf(blogPath), item.bytes, hash, refused);
                if (file.uploadsPath.empty())
                    why = std::move(refused);
            }
            done(blogPath, std::move(file), why);
        }
    };
    std::vector<std::jthread> workers;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < std::min(cores, 4u); ++i)
        workers.emplace_back(work);
    source.fetch(
        blogPaths,
        [&](std::size_t index, const QByteArray& bytes, const std::optional<Why>& why) {
            arrivals.push({index, bytes, why});
        },
        stop);
    arrivals.close();
}

} // namespace kestrel
