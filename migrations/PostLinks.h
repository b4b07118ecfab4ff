#pragma once

#include "LinkTargets.h"
#include "Posts.h"
#include "RowWriter.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace kestrel {

struct MigrationRun;
class ChangeAhead;

// The text of the articles of one run, as the old blog showed it, with its links to the blog
// made WordPress's as each article is written. An article that links to one that gets its
// post later in the run is written again once the run is through: only its content and
// excerpt, and only when it arrived. Until then only its ids are kept: its text is read from
// emlog again, so that a blog whose articles all link ahead is not held in memory.
class PostLinks
{
public:
    explicit PostLinks(MigrationRun& run);
    // What the links lead to: false when WordPress could not be read (recorded under `migration`).
    bool read(std::string_view migration) { return m_targets.read(migration); }

    // The article gets this post id in WordPress.
    void placed(std::int64_t gid, std::int64_t postId);
    PostText text(const Article& article, bool markdown);
    // The article whose text was made last is on its way.
    void written(RowWriter::Ticket ticket, std::int64_t postId);
    // Finishes the writer, and writes the articles that waited again. `afterArrival` is sent once
    // the rows are through, ahead of the updates, while the first texts are made.
    void completeWaiting(RowWriter& writer, ChangeAhead& afterArrival);

private:
    Why textsUnread(bool read) const;
    std::string rewrite(const std::string& shown, bool* waiting);

    struct Waiting
    {
        RowWriter::Ticket ticket = 0;
        std::int64_t postId = 0;
        std::int64_t gid = 0;
        bool markdown = false;
    };

    MigrationRun& m_run;
    LinkTargets m_targets;
    IdMap m_placed; // gid → post id
    std::optional<Waiting> m_last;
    std::vector<Waiting> m_waiting;
};

} // namespace kestrel
