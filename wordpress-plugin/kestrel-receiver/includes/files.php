<?php
// The blog's files go into this site's uploads folder, and nowhere else.

if (!defined('ABSPATH')) {
    exit;
}

/** The largest file taken in one request. */
function kestrel_receiver_file_limit()
{
    return (int) min(wp_max_upload_size(), 64 * MB_IN_BYTES);
}

/** The path inside the uploads folder, or null for one that could leave it. */
function kestrel_receiver_upload_path($relative)
{
    if (!is_string($relative) || $relative === '' || strpos($relative, "\0") !== false || strpos($relative, '\\') !== false
        || $relative[0] === '/' || preg_match('/^[A-Za-z]:/', $relative)) {
        return null;
    }
    foreach (explode('/', $relative) as $part) {
        if ($part === '' || $part === '.' || $part === '..') {
            return null;
        }
    }
    $uploads = wp_upload_dir(null, false);
    if (!empty($uploads['error'])) {
        return null;
    }
    return rtrim($uploads['basedir'], '/') . '/' . $relative;
}

function kestrel_receiver_file(WP_REST_Request $request)
{
    $path = kestrel_receiver_upload_path($request->get_param('path'));
    if ($path === null) {
        return new WP_Error('kestrel_bad_path', 'a file path that could leave the uploads folder', array('status' => 400));
    }
    $data = is_string($request->get_param('data')) ? base64_decode($request->get_param('data'), true) : false;
    if ($data === false) {
        return new WP_Error('kestrel_bad_request', 'data is base64', array('status' => 400));
    }
    if (strlen($data) > kestrel_receiver_file_limit()) {
        return new WP_Error('kestrel_too_large', 'the file is larger than this site takes', array('status' => 413));
    }
    if (!wp_mkdir_p(dirname($path))) {
        return new WP_Error('kestrel_not_written', 'the folder cannot be made', array('status' => 500));
    }
    // Written beside it first: a file cut off halfway never stands under the blog's name.
    $partial = $path . '.kestrel-partial';
    if (file_put_contents($partial, $data) !== strlen($data) || !rename($partial, $path)) {
        @unlink($partial);
        return new WP_Error('kestrel_not_written', 'the file cannot be written', array('status' => 500));
    }
    return array('path' => $request->get_param('path'), 'size' => strlen($data));
}
