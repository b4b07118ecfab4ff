#include "AttachmentFileRows.h"

#include "MigrationRun.h"
#include "Origins.h"

namespace kestrel {

AttachmentFileRows::AttachmentFileRows(MigrationRun& run) : m_run(run)
{
    if (!run.files)
        return;
    // The attachments migration read them before it asked for these rows.
    const Copies& articles = run.state.copies(origin::article);
    // Only emlog pro has covers: elsewhere the column cannot be read, and no article has one.
    for (const auto& [gid, cover] : run.source->columns("blog", "gid", "cover").value_or(EmlogValues{})) {
        const auto article = articles.find(gid);
        if (cover.empty() || !article)
            continue;
        if (const auto file = run.files->attachment(cover, true))
            m_coveredPosts[file->attachedFile].push_back(article->id);
    }
}

std::optional<AttachmentFile> AttachmentFileRows::fileOf(std::string_view filePath) const
{
    return m_run.files ? m_run.files->attachment(filePath, true) : std::nullopt;
}

bool AttachmentFileRows::isSizeOfOriginal(std::string_view filePath) const
{
    return m_run.files && m_run.files->isSizeOfOriginal(filePath);
}

std::string AttachmentFileRows::addressOf(std::string_view filePath) const
{
    return m_run.files ? m_run.files->rewriteReferences(filePath) : std::string(filePath);
}

void AttachmentFileRows::addRows(RowWrite& write, std::int64_t id, const AttachmentFile& file) const
{
    write.rows.push_back({"postmeta", ownerMeta(origin::attachment, id, "_wp_attached_file", file.attachedFile)});
    write.rows.push_back({"postmeta", ownerMeta(origin::attachment, id, "_wp_attachment_metadata", file.metadata)});
    if (const auto covered = m_coveredPosts.find(file.attachedFile); covered != m_coveredPosts.end()) {
        for (const std::int64_t post : covered->second)
            write.rows.push_back({"postmeta", ownerMeta(origin::article, post, "_thumbnail_id", std::to_string(id))});
    }
}

} // namespace kestrel
