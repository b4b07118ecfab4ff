<?php
// Router for PHP's own web server (php -S ... router.php), which reads no .htaccess: a request for
// a file is served as it is, every other address goes to WordPress's index.php, as Apache's
// rewrite rules do for a blog with pretty permalinks. WP_SUBDIRECTORY (e.g. "/blog") names the
// folder of the document root that holds WordPress, for a blog served below the site's root.
$index = rtrim('/' . trim((string) getenv('WP_SUBDIRECTORY'), '/'), '/') . '/index.php';
$path = rawurldecode(explode('?', $_SERVER['REQUEST_URI'], 2)[0]);
$file = $_SERVER['DOCUMENT_ROOT'] . $path;
if (strpos($path, '..') === false && (is_file($file) || is_file(rtrim($file, '/') . '/index.php'))) {
    return false;
}
$_SERVER['SCRIPT_NAME'] = $index;
$_SERVER['PHP_SELF'] = $index;
$_SERVER['SCRIPT_FILENAME'] = $_SERVER['DOCUMENT_ROOT'] . $index;
chdir(dirname($_SERVER['SCRIPT_FILENAME']));
require $_SERVER['SCRIPT_FILENAME'];
