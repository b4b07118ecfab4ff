<?php
// Reads which emlog address a request is: no WordPress lookups here, only the shape of the address.
//
// emlog wrote its addresses in one of four forms (dynamic, post-N.html, post/N, by category), with
// or without article aliases; lists take "/page/K" or "&page=K". The answer is an array:
//   kind        article, article_alias, category, tag, archive, author, feed, search, home or download
//   key         what names the object: an emlog id, an alias, a tag name, YYYYMM[DD], a keyword, an
//               attachment's alias (emlog pro's ?resource_alias=)
//   names       for tags, every reading of the name (emlog encoded spaces as "+")
//   page        the list page asked for, 1 when none
//   emlog_only  true when the address is a query key that only emlog reads (WordPress ignored it)
//   html        for an article_alias: it ended in ".html"
//   parent      for an article_alias after another segment (<category>/<alias>): that segment

if (!defined('ABSPATH')) {
    exit;
}

/**
 * @param string $request_uri the request's path and query as sent, percent-encoded
 * @param string $home_path   the path of the blog's home, "/" or e.g. "/blog/"
 * @param array  $query       the query's keys and values, decoded and without WordPress's slashes
 * @return array|null what the address asks for, or null when it is none of emlog's
 */
function kestrel_redirects_read_address($request_uri, $home_path, array $query)
{
    $path = explode('?', $request_uri, 2)[0];
    $home_path = '/' . trim($home_path, '/') . '/';
    if ($home_path === '//') {
        $home_path = '/';
    }
    if (strpos($path . '/', $home_path) !== 0) {
        return null;
    }
    $relative = trim((string) substr($path, strlen($home_path)), '/');
    if ($relative === 'index.php') {
        $relative = '';
    }
    $segments = $relative === '' ? array() : explode('/', $relative);

    $page = 1;
    $count = count($segments);
    if ($count >= 2 && $segments[$count - 2] === 'page' && kestrel_redirects_is_number($segments[$count - 1], 6)) {
        $page = (int) $segments[$count - 1];
        $segments = array_slice($segments, 0, $count - 2);
    }
    // emlog never put its query keys after a path, but a relative "../?post=12" followed from a
    // deeper page (a date-based permalink) keeps part of that page's path: the query decides.
    $address = kestrel_redirects_read_query($query);
    if ($address !== null) {
        return $address;
    }
    if ($segments) {
        return kestrel_redirects_read_path($segments, $page);
    }
    return $page > 1 ? kestrel_redirects_address('home', '', $page) : null;
}

/** The static forms: post-N.html, post/N, sort/..., tag/..., <alias>, <category>/N.html, ... */
function kestrel_redirects_read_path(array $segments, $page)
{
    $first = $segments[0];
    if (count($segments) === 1) {
        if ($first === 'rss.php') {
            return kestrel_redirects_address('feed', '');
        }
        if (preg_match('/^(?:post-)?([1-9][0-9]{0,9})\.html$/', $first, $match)) {
            return kestrel_redirects_address('article', $match[1]);
        }
        return kestrel_redirects_alias_address($first, null, $page);
    }
    if (count($segments) !== 2) {
        return null;
    }
    $second = $segments[1];
    switch ($first) {
        case 'post':
            return kestrel_redirects_is_number($second) ? kestrel_redirects_address('article', $second) : null;
        case 'sort':
            return kestrel_redirects_address('category', rawurldecode($second), $page);
        case 'tag':
            $address = kestrel_redirects_address('tag', rawurldecode($second), $page);
            $address['names'] = array_values(array_unique(array(urldecode($second), rawurldecode($second))));
            return $address;
        case 'record':
            return kestrel_redirects_is_date($second) ? kestrel_redirects_address('archive', $second, $page) : null;
        case 'author':
            return kestrel_redirects_is_number($second) ? kestrel_redirects_address('author', $second, $page) : null;
    }
    // By category: "<category alias or name>/N.html" or "<category>/<alias>"; the article alone decides.
    if (preg_match('/^([1-9][0-9]{0,9})\.html$/', $second, $match)) {
        return kestrel_redirects_address('article', $match[1]);
    }
    return kestrel_redirects_alias_address($second, $first, $page);
}

/** The dynamic forms: ?post=N, ?sort=N, ?tag=..., ?record=..., ?author=N, ?keyword=..., ?resource_alias=..., with &page=K. */
function kestrel_redirects_read_query(array $query)
{
    $value = function ($key) use ($query) {
        return isset($query[$key]) && is_string($query[$key]) ? $query[$key] : '';
    };
    $page = kestrel_redirects_is_number($value('page'), 6) ? (int) $value('page') : 1;

    if (kestrel_redirects_is_number($value('post'))) {
        $address = kestrel_redirects_address('article', $value('post'));
    } elseif ($value('sort') !== '') {
        $address = kestrel_redirects_address('category', $value('sort'), $page);
    } elseif (kestrel_redirects_is_date($value('record'))) {
        $address = kestrel_redirects_address('archive', $value('record'), $page);
    } elseif (trim($value('keyword')) !== '') {
        $address = kestrel_redirects_address('search', trim($value('keyword')));
    } elseif ($value('tag') !== '') {
        $address = kestrel_redirects_address('tag', $value('tag'), $page);
        $address['names'] = array($value('tag'));
        return $address;
    } elseif (preg_match('/^\w{16}\z/', $value('resource_alias'))) {
        // emlog pro's download of an attachment, with or without &resource_filename=.
        $address = kestrel_redirects_address('download', $value('resource_alias'));
    } elseif (kestrel_redirects_is_number($value('author'))) {
        return kestrel_redirects_address('author', $value('author'), $page);
    } else {
        return null;
    }
    $address['emlog_only'] = true;
    return $address;
}

/**
 * An article alias, with or without emlog's ".html", after the segment that names its category when
 * it has one. By the blog's settings, the same words may be a short address (/N) or a category's own
 * address (/<alias>, /<parent alias>/<alias>, with /page/K): see kestrel_redirects_target().
 */
function kestrel_redirects_alias_address($segment, $parent = null, $page = 1)
{
    $alias = rawurldecode($segment);
    $html = substr($alias, -5) === '.html';
    if ($html) {
        $alias = substr($alias, 0, -5);
    }
    if ($alias === '') {
        return null;
    }
    $address = kestrel_redirects_address('article_alias', $alias, $page);
    $address['html'] = $html;
    $address['parent'] = $parent === null ? null : rawurldecode($parent);
    return $address;
}

function kestrel_redirects_address($kind, $key, $page = 1)
{
    return array('kind' => $kind, 'key' => (string) $key, 'names' => array(), 'page' => (int) $page, 'emlog_only' => false,
        'html' => false, 'parent' => null);
}

/** A positive decimal number without sign or leading zero, of at most $digits digits. */
function kestrel_redirects_is_number($text, $digits = 10)
{
    return is_string($text) && preg_match('/^[1-9][0-9]{0,' . ($digits - 1) . '}$/', $text) === 1;
}

/** YYYYMM or YYYYMMDD naming a real month or day. */
function kestrel_redirects_is_date($text)
{
    if (!is_string($text) || !preg_match('/^([0-9]{4})([0-9]{2})([0-9]{2})?$/', $text, $match)) {
        return false;
    }
    $day = isset($match[3]) ? (int) $match[3] : 1;
    return (int) $match[1] >= 1000 && checkdate((int) $match[2], $day, (int) $match[1]);
}

function kestrel_redirects_is_emlog_only(array $address)
{
    return !empty($address['emlog_only']);
}
