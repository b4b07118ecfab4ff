<?php
// The blog's files go into this site's uploads folder, and nowhere else: no name may lead out of it
// ("..", an absolute path, a backslash, a NUL) and no folder or file on the way may be a symbolic link.
// No name may be one the web server would run (.php and the like, .htaccess).
// A request is safe to send again: a file is written only where nothing is, or where the same bytes
// already are (then nothing is written); only a replace (Kestrel's own list of the files it placed)
// writes over what is there.

if (!defined('ABSPATH')) {
    exit;
}

/** The largest file taken in one request. */
function kestrel_receiver_file_limit()
{
    return (int) min(wp_max_upload_size(), 64 * MB_IN_BYTES);
}

/** The uploads folder's own path, links resolved, or null when it cannot be had. */
function kestrel_receiver_uploads_root()
{
    $uploads = wp_upload_dir(null, false);
    if (!empty($uploads['error']) || !wp_mkdir_p($uploads['basedir'])) {
        return null;
    }
    $root = realpath($uploads['basedir']);
    return $root === false ? null : rtrim($root, '/');
}

/** The name's parts, or null for one that could leave the uploads folder. */
function kestrel_receiver_upload_parts($relative)
{
    if (!is_string($relative) || $relative === '' || strpos($relative, "\0") !== false || strpos($relative, '\\') !== false
        || strpos($relative, ':') !== false || $relative[0] === '/' || preg_match('/[\x00-\x1f]/', $relative)) {
        return null;
    }
    $parts = explode('/', $relative);
    foreach ($parts as $part) {
        if ($part === '' || $part === '.' || $part === '..') {
            return null;
        }
    }
    // Nor a name the web server may run as a program, or read as its settings: in uploads it would run
    // for whoever asks for it. Any of its extensions counts ("x.php.jpg" runs as PHP under some handlers).
    $name = strtolower(end($parts));
    if (preg_match('/^(?:\.ht|\.user\.ini$|web\.config$)|\.(?:php[0-9]?|phtml|pht|phar|phps|cgi|pl|py|aspx?|jsp|shtml)(?:\.|$)/', $name)) {
        return null;
    }
    return $parts;
}

/**
 * The absolute path of a name inside the uploads folder, its folders made when $make says so; null for
 * a name that could leave the folder or passes through a link (or a file where a folder should be).
 */
function kestrel_receiver_upload_path($relative, $make = false)
{
    $parts = kestrel_receiver_upload_parts($relative);
    $root = $parts === null ? null : kestrel_receiver_uploads_root();
    if ($root === null) {
        return null;
    }
    $path = $root;
    $last = count($parts) - 1;
    foreach ($parts as $i => $part) {
        $path .= '/' . $part;
        if (is_link($path)) {
            return null;
        }
        if ($i === $last) {
            break;
        }
        if (!file_exists($path)) {
            if (!$make) {
                return $path . '/' . implode('/', array_slice($parts, $i + 1));
            }
            if (!@mkdir($path, 0755) && !is_dir($path)) {
                return null;
            }
        }
        if (!is_dir($path) || is_link($path)) {
            return null;
        }
    }
    // Whatever the checks above missed (a link made meanwhile), the folder it lands in is below the root.
    $folder = realpath(dirname($path));
    if ($folder !== false && strpos($folder . '/', $root . '/') !== 0) {
        return null;
    }
    return $path;
}

/** What stands at a path: array(exists, is_file, size, sha256). */
function kestrel_receiver_file_facts($path)
{
    if (!file_exists($path) && !is_link($path)) {
        return array('exists' => false);
    }
    $file = is_file($path) && !is_link($path);
    return array(
        'exists' => true,
        'is_file' => $file,
        'size' => $file ? filesize($path) : 0,
        'sha256' => $file ? hash_file('sha256', $path) : '',
    );
}

function kestrel_receiver_file(WP_REST_Request $request)
{
    $refusal = kestrel_receiver_body_refusal($request, array('path', 'action', 'data'));
    if ($refusal !== null) {
        return $refusal;
    }
    $relative = $request->get_param('path');
    $action = (string) $request->get_param('action');
    if ($action === '') {
        $action = 'write';
    }
    if (!in_array($action, array('look', 'read', 'write', 'replace'), true)) {
        return new WP_Error('kestrel_bad_request', 'action is look, read, write or replace', array('status' => 400));
    }
    $writes = $action === 'write' || $action === 'replace';
    $path = kestrel_receiver_upload_path($relative, false);
    if ($path === null) {
        return new WP_Error('kestrel_bad_path', 'a file path that could leave the uploads folder', array('status' => 400));
    }
    if ($action === 'look') {
        return array_merge(array('path' => $relative), kestrel_receiver_file_facts($path));
    }
    if ($action === 'read') {
        $facts = kestrel_receiver_file_facts($path);
        if (!$facts['exists'] || !$facts['is_file']) {
            return new WP_Error('kestrel_no_file', 'no such file', array('status' => 404));
        }
        if ($facts['size'] > kestrel_receiver_file_limit()) {
            return new WP_Error('kestrel_too_large', 'the file is larger than this site sends', array('status' => 413));
        }
        return array('path' => $relative, 'data' => base64_encode((string) file_get_contents($path)));
    }
    $data = is_string($request->get_param('data')) ? base64_decode($request->get_param('data'), true) : false;
    if ($data === false) {
        return new WP_Error('kestrel_bad_request', 'data is base64', array('status' => 400));
    }
    if (strlen($data) > kestrel_receiver_file_limit()) {
        return new WP_Error('kestrel_too_large', 'the file is larger than this site takes', array('status' => 413));
    }
    $path = $writes ? kestrel_receiver_upload_path($relative, true) : $path;
    if ($path === null) {
        return new WP_Error('kestrel_bad_path', 'a file path that could leave the uploads folder', array('status' => 400));
    }
    $sha256 = hash('sha256', $data);
    $facts = kestrel_receiver_file_facts($path);
    if ($facts['exists'] && (!$facts['is_file'] || ($action === 'write' && $facts['sha256'] !== $sha256))) {
        // Another file holds the name: it is never written over (Kestrel takes a free name beside it).
        return new WP_Error('kestrel_name_taken', 'another file has this name', array('status' => 409));
    }
    if ($facts['exists'] && $facts['sha256'] === $sha256) {
        return array('path' => $relative, 'size' => strlen($data), 'sha256' => $sha256, 'written' => false);
    }
    // Written beside it first, under a name made new for it (never a link left there): a file cut off
    // halfway never stands under the blog's name.
    $folder = dirname($path);
    $partial = @tempnam($folder, '.kestrel-');
    if ($partial === false || dirname($partial) !== $folder) {
        if ($partial !== false) {
            @unlink($partial);
        }
        return new WP_Error('kestrel_not_written', 'the file cannot be written', array('status' => 500));
    }
    if (file_put_contents($partial, $data) !== strlen($data) || !@chmod($partial, 0644) || !rename($partial, $path)) {
        @unlink($partial);
        return new WP_Error('kestrel_not_written', 'the file cannot be written', array('status' => 500));
    }
    return array('path' => $relative, 'size' => strlen($data), 'sha256' => $sha256, 'written' => true);
}
