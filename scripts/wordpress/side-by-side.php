<?php
// Loaded by wp-config.php when WP_TEST_HOOKS names it: the most requests of Kestrel's operations that add rows
// the site carried out at once is kept in the option kestrel_test_at_once, for the test to read. A request
// with a post titled "long ..." or "refused" is held until another begins, or WP_HOLD_MS have passed: where
// Kestrel's next batch goes before the one before it ended, the two are seen at once however slow the machine.
// The option kestrel_test_sequence tells when each request with posts began and ended: "+titles;" and
// "-titles;", the titles of its posts put together with commas.
add_filter('rest_pre_dispatch', function ($result, $server, $request) {
    global $wpdb;
    $operations = $request->get_route() === '/kestrel/v1/operations' ? $request->get_param('operations') : null;
    if (!is_array($operations) || empty($operations) || !isset($operations[0]['insert'])) {
        return $result;
    }
    // Each statement counts on its own, whatever else runs meanwhile.
    $wpdb->query("INSERT INTO $wpdb->options (option_name, option_value, autoload) VALUES ('kestrel_test_now', '1', 'no')"
        . ' ON DUPLICATE KEY UPDATE option_value = option_value + 1');
    $now = (int) $wpdb->get_var("SELECT option_value FROM $wpdb->options WHERE option_name = 'kestrel_test_now'");
    $wpdb->query($wpdb->prepare("INSERT INTO $wpdb->options (option_name, option_value, autoload)"
        . " VALUES ('kestrel_test_at_once', %d, 'no') ON DUPLICATE KEY UPDATE option_value = GREATEST(option_value + 0, %d)",
        $now, $now));
    $titles = array();
    foreach ($operations as $operation) {
        if (isset($operation['insert'], $operation['columns'], $operation['rows']) && $operation['insert'] === $wpdb->posts) {
            $at = array_search('post_title', $operation['columns'], true);
            foreach ($at === false ? array() : $operation['rows'] as $row) {
                $titles[] = base64_decode($row[$at]);
            }
        }
    }
    $mark = function ($sign) use ($wpdb, $titles) {
        if (!empty($titles)) {
            $wpdb->query($wpdb->prepare("INSERT INTO $wpdb->options (option_name, option_value, autoload)"
                . " VALUES ('kestrel_test_sequence', %s, 'no') ON DUPLICATE KEY UPDATE option_value = CONCAT(option_value, %s)",
                $sign . implode(',', $titles) . ';', $sign . implode(',', $titles) . ';'));
        }
    };
    $mark('+');
    register_shutdown_function(function () use ($wpdb, $mark) {
        $wpdb->query("UPDATE $wpdb->options SET option_value = option_value - 1 WHERE option_name = 'kestrel_test_now'");
        $mark('-');
    });
    // Requests are numbered as they begin: one held waits for a higher number.
    $wpdb->query("INSERT INTO $wpdb->options (option_name, option_value, autoload) VALUES ('kestrel_test_begun', '1', 'no')"
        . ' ON DUPLICATE KEY UPDATE option_value = option_value + 1');
    $begun = function () use ($wpdb) {
        return (int) $wpdb->get_var("SELECT option_value FROM $wpdb->options WHERE option_name = 'kestrel_test_begun'");
    };
    $mine = $begun();
    if (preg_grep('/^(long |refused$)/', $titles)) {
        $until = microtime(true) + (int) getenv('WP_HOLD_MS') / 1000;
        while (microtime(true) < $until && $begun() <= $mine) {
            usleep(10000);
        }
    }
    return $result;
}, 10, 3);
