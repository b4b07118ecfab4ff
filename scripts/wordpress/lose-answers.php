<?php
// Loaded by wp-config.php when WP_TEST_HOOKS names it: the answer to every WP_LOSE_EVERY-th request of
// Kestrel's operations is cut off halfway after the plugin did its work, as a relay that drops the
// connection would cut it. Kestrel must then find out what arrived, and write nothing twice.
add_filter('rest_post_dispatch', function ($response, $server, $request) {
    if ($request->get_route() !== '/kestrel/v1/operations' || is_wp_error($response)) {
        return $response;
    }
    $count = (int) get_option('kestrel_test_requests', 0) + 1;
    update_option('kestrel_test_requests', $count, false);
    if ($count % max(1, (int) getenv('WP_LOSE_EVERY')) !== 0) {
        return $response;
    }
    // The answer says its whole length, as the plugin's do, and ends halfway.
    $json = wp_json_encode($response->get_data());
    header('Content-Type: application/json');
    header('Content-Length: ' . strlen($json));
    echo substr($json, 0, (int) (strlen($json) / 2));
    exit;
}, 10, 3);
