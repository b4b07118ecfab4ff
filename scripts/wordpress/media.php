<?php
// Prints, as one JSON object, what WordPress itself makes of a blog's media: every attachment
// its media library lists, with the address, metadata and thumbnail WordPress gives for it, and
// every published post with its content as shown and its featured image, and the site's faces.
//   WP_ROOT=... WP_DB_HOST=host:port WP_DB_NAME=... WP_TABLE_PREFIX=... WP_HOME=... php media.php
require __DIR__ . '/load.php';

$view = ['uploads' => wp_upload_dir(null, false), 'attachments' => [], 'posts' => []];
$attachments = get_posts([
    'post_type' => 'attachment',
    'post_status' => 'any',
    'numberposts' => -1,
    'orderby' => 'ID',
    'order' => 'ASC',
]);
foreach ($attachments as $attachment) {
    $thumbnail = image_downsize($attachment->ID, 'thumbnail');
    $view['attachments'][] = [
        'id' => (int) $attachment->ID,
        'origins' => array_map('intval', get_post_meta($attachment->ID, '_emlog_aid')),
        'parent' => (int) $attachment->post_parent,
        'mime' => $attachment->post_mime_type,
        'url' => wp_get_attachment_url($attachment->ID),
        'file' => get_attached_file($attachment->ID),
        'metadata' => wp_get_attachment_metadata($attachment->ID),
        'thumbnail' => $thumbnail ? ['url' => $thumbnail[0], 'width' => $thumbnail[1], 'height' => $thumbnail[2],
                                     'intermediate' => $thumbnail[3]] : null,
    ];
}
foreach (get_posts(['post_type' => ['post', 'page'], 'post_status' => 'publish', 'numberposts' => -1]) as $post) {
    $view['posts'][] = [
        'id' => (int) $post->ID,
        'origin' => (int) get_post_meta($post->ID, '_emlog_gid', true),
        'link' => get_permalink($post),
        'content' => apply_filters('the_content', $post->post_content),
        'featured' => (int) get_post_thumbnail_id($post),
    ];
}
// The site's faces as WordPress shows them (with the redirect plugin active, the blog's own): its icon and
// logo, and the avatars of the users and comments copied from emlog, by their emlog ids.
$logo = (int) get_theme_mod('custom_logo');
$view['site'] = [
    'icon' => get_site_icon_url(),
    'logo' => $logo ? wp_get_attachment_url($logo) : '',
    'users' => [],
    'comments' => [],
];
// Gravatar's addresses, which WordPress spreads over hosts at random, are all the same here.
function media_avatar($url) {
    return strpos((string) $url, 'gravatar.com/') !== false ? 'gravatar' : $url;
}
foreach (get_users(['blog_id' => 0, 'meta_key' => '_emlog_uid']) as $user) {
    $view['site']['users'][get_user_meta($user->ID, '_emlog_uid', true)] = media_avatar(get_avatar_url($user));
}
foreach (get_comments(['status' => 'all', 'meta_key' => '_emlog_cid']) as $comment) {
    $view['site']['comments'][get_comment_meta($comment->comment_ID, '_emlog_cid', true)] =
        media_avatar(get_avatar_url($comment));
}
// Objects keyed by emlog id, whatever the ids.
$view['site']['users'] = (object) $view['site']['users'];
$view['site']['comments'] = (object) $view['site']['comments'];
$script_loaded = true;
echo json_encode($view, JSON_UNESCAPED_UNICODE | JSON_UNESCAPED_SLASHES | JSON_PARTIAL_OUTPUT_ON_ERROR), "\n";
