<?php
/*
 * The old blog's home page as search engines knew it: emlog's own title for it (site_title), its
 * description (site_description) and its keywords (site_key). Kestrel keeps them in the option
 * kestrel_home when it moves the blog; each shows when it is not empty.
 */

if (!defined('ABSPATH')) {
    exit;
}

const KESTREL_HOME_OPTION = 'kestrel_home';

/**
 * The home page's title, description and keywords, each '' when there is none.
 */
function kestrel_home_settings()
{
    $saved = get_option(KESTREL_HOME_OPTION, array());
    $saved = is_array($saved) ? $saved : array();
    $settings = array();
    foreach (array('title', 'description', 'keywords') as $key) {
        $settings[$key] = isset($saved[$key]) ? trim((string) $saved[$key]) : '';
    }
    return $settings;
}

// The document's title, for classic and block themes alike; escaped as WordPress escapes its own.
add_filter('pre_get_document_title', function ($title) {
    if (!is_front_page()) {
        return $title;
    }
    $home = kestrel_home_settings();
    return $home['title'] !== '' ? esc_html($home['title']) : $title;
}, 20);

add_action('wp_head', function () {
    if (!is_front_page()) {
        return;
    }
    $home = kestrel_home_settings();
    if ($home['description'] !== '') {
        echo '<meta name="description" content="' . esc_attr($home['description']) . '">' . "\n";
    }
    if ($home['keywords'] !== '') {
        echo '<meta name="keywords" content="' . esc_attr($home['keywords']) . '">' . "\n";
    }
}, 1);
