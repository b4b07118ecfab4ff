<?php
// An article with a jump link (emlog pro's blog.link) sent its visitors to that address: emlog counted
// the view and answered with a 302, never showing the article's own text. Kestrel keeps the link as the
// article's meta _emlog_link.

if (!defined('ABSPATH')) {
    exit;
}

// Before redirect_canonical (priority 10): the article's own address, in whatever form, sends on at once.
add_action('template_redirect', 'kestrel_redirects_jump', 1);

function kestrel_redirects_jump()
{
    $method = isset($_SERVER['REQUEST_METHOD']) ? strtoupper((string) $_SERVER['REQUEST_METHOD']) : 'GET';
    if (($method !== 'GET' && $method !== 'HEAD') || !is_singular('post') || is_preview()) {
        return;
    }
    $post = get_queried_object();
    // As emlog: a protected article asks for its password first; one not published is no one's to visit.
    if (!($post instanceof WP_Post) || $post->post_status !== 'publish' || post_password_required($post)) {
        return;
    }
    $link = kestrel_redirects_jump_link((string) get_post_meta($post->ID, '_emlog_link', true));
    if ($link !== null && wp_redirect($link, 302, 'Kestrel Redirects')) {
        exit;
    }
}

/**
 * The address to send to, as emlog took it (a valid URL), and only a web page's: never javascript:,
 * data: or any other scheme a browser would run or open in place.
 */
function kestrel_redirects_jump_link($link)
{
    $link = trim($link);
    if ($link === '' || filter_var($link, FILTER_VALIDATE_URL) === false) {
        return null;
    }
    $scheme = strtolower((string) wp_parse_url($link, PHP_URL_SCHEME));
    if ($scheme !== 'http' && $scheme !== 'https') {
        return null;
    }
    return $link;
}
