<?php
/**
 * Plugin Name:       Kestrel Redirects
 * Description:       Sends every address of a blog moved from emlog (?post=12, post-12.html, sort/linux, tag/Qt, record/201205, rss.php, ...) to its page on this WordPress with a permanent redirect.
 * Version:           1.0.0
 * Requires at least: 6.1
 * Requires PHP:      7.4
 * Author:            Kestrel
 * License:           GPL-2.0-or-later
 * License URI:       https://www.gnu.org/licenses/gpl-2.0.html
 * Text Domain:       kestrel-redirects
 */

/*
 * This program is free software; you can redistribute it and/or modify it under the terms of the
 * GNU General Public License as published by the Free Software Foundation; either version 2 of the
 * License, or (at your option) any later version.
 *
 * This program is distributed in the hope that it will be useful, but WITHOUT ANY WARRANTY; without
 * even the implied warranty of MERCHANTABILITY or FITNESS FOR A PARTICULAR PURPOSE. See the GNU
 * General Public License for more details.
 */

if (!defined('ABSPATH')) {
    exit;
}

require_once __DIR__ . '/includes/address.php';
require_once __DIR__ . '/includes/targets.php';
require_once __DIR__ . '/includes/footer.php';
require_once __DIR__ . '/includes/home.php';
require_once __DIR__ . '/includes/avatars.php';

// Before redirect_canonical (priority 10), which would otherwise guess a page for some of these 404s.
add_action('template_redirect', 'kestrel_redirects_answer', 1);

/**
 * Answers an old emlog address with a 301 to its WordPress page, when WordPress itself has nothing
 * better for it: a 404 or the home page. Anything that names nothing here is left to WordPress.
 */
function kestrel_redirects_answer()
{
    $method = isset($_SERVER['REQUEST_METHOD']) ? strtoupper((string) $_SERVER['REQUEST_METHOD']) : 'GET';
    if ($method !== 'GET' && $method !== 'HEAD') {
        return;
    }
    if (is_feed() || is_robots() || is_trackback() || is_embed()) {
        return;
    }
    // A static front page is singular too, and still WordPress's answer to every query it ignores.
    $nothing_better = is_404() || is_home() || is_front_page();
    if (!$nothing_better && !is_archive()) {
        return;
    }

    $request_uri = isset($_SERVER['REQUEST_URI']) ? (string) $_SERVER['REQUEST_URI'] : '/';
    $home_path = (string) wp_parse_url(home_url('/'), PHP_URL_PATH);
    $query = wp_unslash($_GET);
    $address = kestrel_redirects_read_address($request_uri, $home_path, is_array($query) ? $query : array());
    if ($address === null) {
        return;
    }
    // An archive that ignored one of emlog's own query keys (a "../?post=12" link followed from a
    // date-based permalink lands there) gets the same answer; tag and author are WordPress's keys too,
    // so for those WordPress's own answer stands unless it had none.
    if (!$nothing_better && !kestrel_redirects_is_emlog_only($address)) {
        return;
    }

    $target = kestrel_redirects_target($address);
    if ($target === null) {
        return;
    }
    $location = kestrel_redirects_same_site($target);
    if ($location === null || kestrel_redirects_is_same_request($location, $request_uri)) {
        return;
    }
    if (wp_redirect($location, 301, 'Kestrel Redirects')) {
        exit;
    }
}

/**
 * The Location, only when it stays on this blog: built from WordPress's own link functions it always
 * does, and this makes sure that no alias, tag or keyword can ever make it leave.
 */
function kestrel_redirects_same_site($target)
{
    $home = trailingslashit(home_url('/'));
    if (strpos($target, $home) !== 0 && $target !== untrailingslashit($home)) {
        return null;
    }
    // wp_sanitize_redirect() drops the characters it does not allow, such as the quotes a post's name
    // may hold; percent-encoded they stay part of the address it names.
    $target = preg_replace_callback('/["\'<>\\\\^`{|}$]/', function ($match) {
        return rawurlencode($match[0]);
    }, $target);
    $checked = wp_validate_redirect(wp_sanitize_redirect($target), '');
    return $checked === '' ? null : $checked;
}

/**
 * Whether the Location names the page that was asked for, which WordPress could not show: a
 * redirect there would loop.
 */
function kestrel_redirects_is_same_request($location, $request_uri)
{
    $parts = wp_parse_url($location);
    if (!is_array($parts)) {
        return true;
    }
    $asked = explode('?', $request_uri, 2);
    $same_path = untrailingslashit(strtolower(rawurldecode(isset($parts['path']) ? $parts['path'] : '/')))
        === untrailingslashit(strtolower(rawurldecode($asked[0])));
    return $same_path && urldecode(isset($parts['query']) ? $parts['query'] : '') === urldecode(isset($asked[1]) ? $asked[1] : '');
}
