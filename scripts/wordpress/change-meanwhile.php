<?php
// Loaded by wp-config.php when WP_TEST_HOOKS names it: just before the request that empties WordPress
// (the one that checks nothing changed since the backup), WP_CHANGE_MEANWHILE's statement runs on the site,
// once, as an edit made by someone else between Kestrel's backup and its deletes.
add_filter('rest_pre_dispatch', function ($result, $server, $request) {
    global $wpdb;
    // Kept beside the site's debug log, not in its tables, whose rows the test counts.
    $done = dirname((string) getenv('WP_DEBUG_LOG')) . '/changed-meanwhile';
    if ($request->get_route() !== '/kestrel/v1/operations' || file_exists($done)) {
        return $result;
    }
    foreach ((array) $request->get_param('operations') as $operation) {
        if (is_array($operation) && isset($operation['read']) && $operation['read'] === 'marks_unchanged') {
            touch($done);
            $wpdb->query(getenv('WP_CHANGE_MEANWHILE'));
            break;
        }
    }
    return $result;
}, 10, 3);
