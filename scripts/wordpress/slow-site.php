<?php
// Loaded by wp-config.php when WP_TEST_HOOKS names it: a host that stops a request after WP_TIME_LIMIT
// seconds, in front of a database that takes WP_SLOW_US microseconds for each byte of Kestrel's
// operations. A request that could not end in time is stopped as PHP stops one, before any operation
// ran. The largest request and the number stopped are kept in options for the test to read.
add_filter('kestrel_receiver_time_limit', function () {
    return (int) getenv('WP_TIME_LIMIT');
});
add_filter('rest_pre_dispatch', function ($result, $server, $request) {
    if ($request->get_route() !== '/kestrel/v1/operations') {
        return $result;
    }
    $bytes = strlen($request->get_body());
    update_option('kestrel_test_largest', max($bytes, (int) get_option('kestrel_test_largest', 0)), false);
    $seconds = $bytes * (int) getenv('WP_SLOW_US') / 1000000;
    $limit = (int) getenv('WP_TIME_LIMIT');
    if ($limit > 0 && $seconds > $limit) {
        update_option('kestrel_test_stopped', (int) get_option('kestrel_test_stopped', 0) + 1, false);
        status_header(500);
        echo 'PHP Fatal error: Maximum execution time of ' . $limit . ' seconds exceeded';
        exit;
    }
    usleep((int) ($seconds * 1000000));
    return $result;
}, 10, 3);
