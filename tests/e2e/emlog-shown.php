<?php
// What emlog showed a reader of each article and comment of a blog, digested as
// scripts/wordpress/digest.php digests WordPress's pages: pro's Markdown through Parsedown with
// line breaks on (as pro renders it), 6.x's and 5.x's HTML as stored, titles, names and comments
// escaped (comments with their line breaks, as htmlClean did), times in the blog's zone.
//   php emlog-shown.php SOCKET DATABASE PREFIX
require __DIR__ . '/../../scripts/wordpress/digest.php';
require '/usr/share/php/Parsedown/Parsedown.php';

[, $socket, $database, $prefix] = $argv;
$db = new mysqli('localhost', 'root', '', $database, 0, $socket);
$db->set_charset('utf8mb4');
$rows = function ($sql) use ($db) {
    return $db->query($sql)->fetch_all(MYSQLI_ASSOC);
};

$pro = count($rows("SHOW COLUMNS FROM {$prefix}blog LIKE 'parent_id'")) > 0;
$markdown = new Parsedown();
$markdown->setBreaksEnabled(true);
$html = function ($text) use ($pro, $markdown) {
    return $pro ? $markdown->text($text) : $text;
};
$zone = $rows("SELECT option_value FROM {$prefix}options WHERE option_name='timezone'")[0]['option_value'] ?? '';
date_default_timezone_set($zone !== '' ? $zone : 'Asia/Shanghai');

$tagsOf = [];
foreach ($rows("SELECT tagname, gid FROM {$prefix}tag") as $tag) {
    foreach (explode(',', $tag['gid']) as $gid) {
        if ($gid !== '') {
            $tagsOf[$gid][] = $tag['tagname'];
        }
    }
}
$shown = ['posts' => new stdClass(), 'comments' => new stdClass()];
foreach ($rows("SELECT b.*, s.sortname FROM {$prefix}blog b LEFT JOIN {$prefix}sort s ON s.sid=b.sortid") as $post) {
    $gid = $post['gid'];
    $tags = array_values(array_unique($tagsOf[$gid] ?? []));
    sort($tags, SORT_STRING);
    $shown['posts']->$gid = [
        'title' => digest_html(htmlspecialchars($post['title'])),
        'content' => digest_html($html($post['content'])),
        'excerpt' => digest_html($post['excerpt'] === '' ? '' : $html($post['excerpt'])),
        'local_time' => date('Y-m-d H:i:s', (int) $post['date']),
        'unix_time' => (int) $post['date'],
        'scheduled' => $post['hide'] === 'n' && $post['checked'] === 'y' && $post['date'] > time() ? (int) $post['date'] : 0,
        'categories' => $post['sortname'] !== null && $post['type'] === 'blog' ? [$post['sortname']] : [],
        'tags' => $tags,
        'terms_unsafe' => '',
    ];
}
foreach ($rows("SELECT cid, poster, comment FROM {$prefix}comment") as $comment) {
    $cid = $comment['cid'];
    $shown['comments']->$cid = [
        'text' => digest_html(nl2br(htmlspecialchars($comment['comment']))),
        'author' => digest_html(htmlspecialchars($comment['poster'])),
    ];
}
echo json_encode($shown, JSON_UNESCAPED_UNICODE | JSON_UNESCAPED_SLASHES | JSON_PRETTY_PRINT), "\n";
