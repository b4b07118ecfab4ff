<?php
// Prints, as JSON, what WordPress shows a reader of each copied article and comment, through
// WordPress's own template functions and filters, digested by digest.php:
//   {"posts": {gid: {...}}, "comments": {cid: {...}}}
// Environment as for view.php.
require __DIR__ . '/load.php';
require __DIR__ . '/digest.php';

// What WordPress adds of its own when it shows a text, and emlog never did, is left out: the
// "Protected:" before a title, smilies made pictures, and links made of addresses in comments.
add_filter('protected_title_format', function () { return '%s'; });
add_filter('private_title_format', function () { return '%s'; });
add_filter('option_use_smilies', '__return_false');
remove_filter('comment_text', 'make_clickable', 9);

$shown = ['posts' => new stdClass(), 'comments' => new stdClass(), 'twitter' => new stdClass(),
    'replies' => new stdClass()];
$posts = get_posts([
    'post_type' => ['post', 'page'],
    'post_status' => ['any', 'draft', 'future', 'private', 'publish'],
    'numberposts' => -1,
    'suppress_filters' => true,
]);
foreach ($posts as $post) {
    $gid = (string) get_post_meta($post->ID, '_emlog_gid', true);
    $twitter = (string) get_post_meta($post->ID, '_emlog_twitter_id', true);
    if ($twitter !== '') {
        $GLOBALS['post'] = $post;
        setup_postdata($post);
        $shown['twitter']->$twitter = digest_html(apply_filters('the_content', $post->post_content));
        continue;
    }
    if ($gid === '') {
        continue;
    }
    $GLOBALS['post'] = $post;
    setup_postdata($post);
    $shown['posts']->$gid = [
        'title' => digest_html(get_the_title($post)),
        'content' => digest_html(apply_filters('the_content', $post->post_content)),
        'excerpt' => digest_html(has_excerpt($post) ? apply_filters('the_excerpt', get_the_excerpt($post)) : ''),
        'local_time' => get_post_time('Y-m-d H:i:s', false, $post),
        'unix_time' => (int) get_post_time('U', true, $post),
        // When WordPress's cron publishes it, if it waits for its time.
        'scheduled' => (int) wp_next_scheduled('publish_future_post', [(int) $post->ID]),
        'categories' => digest_link_texts((string) get_the_term_list($post->ID, 'category', '', ',')),
        'tags' => digest_link_texts((string) get_the_term_list($post->ID, 'post_tag', '', ',')),
        'terms_unsafe' => digest_html(get_the_term_list($post->ID, 'category', '', ',') .
            get_the_term_list($post->ID, 'post_tag', '', ','))['unsafe'],
    ];
}
wp_reset_postdata();

foreach (get_comments(['status' => 'all']) as $comment) {
    $cid = (string) get_comment_meta($comment->comment_ID, '_emlog_cid', true);
    $reply = (string) get_comment_meta($comment->comment_ID, '_emlog_reply_id', true);
    if ($reply !== '') {
        $shown['replies']->$reply = [
            'text' => digest_html(apply_filters('comment_text', get_comment_text($comment), $comment, [])),
            'author' => digest_html(get_comment_author_link($comment)),
        ];
        continue;
    }
    if ($cid === '') {
        continue;
    }
    $shown['comments']->$cid = [
        'text' => digest_html(apply_filters('comment_text', get_comment_text($comment), $comment, [])),
        'author' => digest_html(get_comment_author_link($comment)),
    ];
}

echo json_encode($shown, JSON_UNESCAPED_UNICODE | JSON_UNESCAPED_SLASHES | JSON_PRETTY_PRINT), "\n";
