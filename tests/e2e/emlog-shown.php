<?php
// What emlog showed a reader of each article and comment of a blog, digested as
// scripts/wordpress/digest.php digests WordPress's pages: pro's Markdown through Parsedown with
// line breaks on (as pro renders it), 6.x's and 5.x's HTML as stored, titles, names and comments
// escaped (comments with their line breaks, as htmlClean did), times in the blog's zone.
//   php emlog-shown.php SOCKET DATABASE PREFIX
require __DIR__ . '/../../scripts/wordpress/digest.php';
require '/usr/share/php/Parsedown/Parsedown.php';

[, $socket, $database, $prefix] = $argv;
$passwordFile = getenv('KESTREL_DB_PASSWORD_FILE');
$db = new mysqli('localhost', 'root', $passwordFile ? trim(file_get_contents($passwordFile)) : '', $database, 0, $socket);
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
// emlog's UBB of comments: bold, italic and underlined text, and links to web addresses.
$ubb = function ($escaped) {
    $web = 'https?://[^\s"\'<>\[\]]+';
    $escaped = preg_replace('#\[url\](' . $web . ')\[/url\]#i', '<a href="$1">$1</a>', $escaped);
    $escaped = preg_replace('#\[url=(' . $web . ')\](.*?)\[/url\]#is', '<a href="$1">$2</a>', $escaped);
    return preg_replace('#\[(b|i|u)\](.*?)\[/\1\]#is', '<$1>$2</$1>', $escaped);
};
foreach ($rows("SELECT cid, poster, comment FROM {$prefix}comment") as $comment) {
    $cid = $comment['cid'];
    $shown['comments']->$cid = [
        'text' => digest_html(nl2br($ubb(htmlspecialchars($comment['comment'])))),
        'author' => digest_html(htmlspecialchars($comment['poster'])),
    ];
}
// 微语: pro's Markdown through Parsedown with line breaks off, 5.x's stored HTML; the image below.
// Replies as the text they are.
$shown['twitter'] = new stdClass();
$shown['replies'] = new stdClass();
if (count($rows("SHOW TABLES LIKE '{$prefix}twitter'")) > 0) {
    $twitterMarkdown = new Parsedown();
    $twitterMarkdown->setBreaksEnabled(false);
    $proTwitter = count($rows("SHOW COLUMNS FROM {$prefix}twitter LIKE 'private'")) > 0;
    $blogurl = rtrim($rows("SELECT option_value FROM {$prefix}options WHERE option_name='blogurl'")[0]['option_value'], '/');
    foreach ($rows("SELECT id, content, img FROM {$prefix}twitter") as $twitter) {
        $id = $twitter['id'];
        $html = $proTwitter ? $twitterMarkdown->text($twitter['content']) : $twitter['content'];
        if ((string) $twitter['img'] !== '') {
            $address = htmlspecialchars($blogurl . '/' . $twitter['img']);
            $html .= "<p><a href=\"$address\"><img src=\"$address\" alt=\"\" /></a></p>";
        }
        $shown['twitter']->$id = digest_html($html);
    }
    // pro's likes are no replies.
    $likes = $proTwitter ? " WHERE islike='n'" : '';
    foreach ($rows("SELECT id, name, content FROM {$prefix}reply$likes") as $reply) {
        $id = $reply['id'];
        $shown['replies']->$id = [
            'text' => digest_html(nl2br(htmlspecialchars($reply['content']))),
            'author' => digest_html(htmlspecialchars($reply['name'])),
        ];
    }
}
echo json_encode($shown, JSON_UNESCAPED_UNICODE | JSON_UNESCAPED_SLASHES | JSON_PRETTY_PRINT), "\n";
