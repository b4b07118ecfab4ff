<?php
// The REST routes Kestrel talks to. Only an administrator's application password opens them, and
// only while receiving is on (switch.php).

if (!defined('ABSPATH')) {
    exit;
}

add_action('rest_api_init', 'kestrel_receiver_routes');

function kestrel_receiver_routes()
{
    $open = 'kestrel_receiver_may_receive';
    register_rest_route('kestrel/v1', '/hello', array(
        'methods' => 'GET',
        'callback' => 'kestrel_receiver_hello',
        'permission_callback' => $open,
    ));
    register_rest_route('kestrel/v1', '/operations', array(
        'methods' => 'POST',
        'callback' => 'kestrel_receiver_operations',
        'permission_callback' => $open,
    ));
    register_rest_route('kestrel/v1', '/file', array(
        'methods' => 'POST',
        'callback' => 'kestrel_receiver_file',
        'permission_callback' => $open,
    ));
}

/** True, or the WP_Error Kestrel words for its user: who may not, and why. */
function kestrel_receiver_may_receive()
{
    if (!is_user_logged_in()) {
        return new WP_Error('kestrel_login', 'an administrator\'s application password is needed', array('status' => 401));
    }
    if (!current_user_can('manage_options')) {
        return new WP_Error('kestrel_not_admin', 'the user is not an administrator of this site', array('status' => 403));
    }
    // A browser's cookie is not enough: a page the administrator visits must not be able to send a blog here.
    if (function_exists('rest_get_authenticated_app_password') && rest_get_authenticated_app_password() === null) {
        return new WP_Error('kestrel_login', 'an application password is needed', array('status' => 401));
    }
    if (kestrel_receiver_until() === 0) {
        return new WP_Error('kestrel_receiving_off', 'receiving is off', array(
            'status' => 403,
            'switch' => admin_url('tools.php?page=kestrel'),
        ));
    }
    return true;
}

/**
 * The seconds a request of Kestrel's may run here; 0 when PHP sets no limit. Raised to a minute where
 * the host lets PHP raise it. A host that stops requests sooner than PHP says (a proxy before it, say)
 * can tell with the filter kestrel_receiver_time_limit.
 */
function kestrel_receiver_time_limit()
{
    $limit = (int) ini_get('max_execution_time');
    if ($limit > 0 && function_exists('set_time_limit')) {
        $limit = max(60, $limit);
    }
    return max(0, (int) apply_filters('kestrel_receiver_time_limit', $limit));
}

function kestrel_receiver_limits()
{
    return array(
        'post_max_size' => wp_convert_hr_to_bytes((string) ini_get('post_max_size')),
        'max_execution_time' => (int) ini_get('max_execution_time'),
        'time_limit' => kestrel_receiver_time_limit(),
        'memory_limit' => wp_convert_hr_to_bytes((string) ini_get('memory_limit')),
        'upload_max_bytes' => kestrel_receiver_file_limit(),
    );
}

function kestrel_receiver_hello()
{
    global $wpdb;
    $packet = (int) $wpdb->get_var('SELECT @@SESSION.max_allowed_packet');
    $uploads = wp_upload_dir(null, false);
    return array(
        'protocol' => KESTREL_RECEIVER_PROTOCOL,
        'prefix' => $wpdb->prefix,
        'database' => DB_NAME,
        'max_allowed_packet' => $packet,
        'limits' => kestrel_receiver_limits(),
        'until' => kestrel_receiver_until(),
        'uploads' => $uploads['baseurl'],
    );
}

function kestrel_receiver_operations(WP_REST_Request $request)
{
    $refusal = kestrel_receiver_body_refusal($request, array('operations', 'transaction', 'commit', 'strict'));
    if ($refusal !== null) {
        return $refusal;
    }
    $operations = $request->get_param('operations');
    $flags = array();
    foreach (array('transaction', 'commit', 'strict') as $flag) {
        $value = $request->get_param($flag);
        if ($value !== null && !is_bool($value)) {
            return new WP_Error('kestrel_bad_request', "$flag is true or false", array('status' => 400));
        }
        $flags[$flag] = $value === true;
    }
    if (!is_array($operations) || !wp_is_numeric_array($operations)) {
        return new WP_Error('kestrel_bad_request', 'operations are a list', array('status' => 400));
    }
    foreach ($operations as $operation) {
        if (!is_array($operation) || (!empty($operation) && wp_is_numeric_array($operation))) {
            return new WP_Error('kestrel_bad_request', 'each operation is an object', array('status' => 400));
        }
    }
    // Whatever the host allows: Kestrel sizes a request to take far less, but a slow database must not
    // cut it off. No limit stays no limit.
    wp_raise_memory_limit('admin');
    $limit = kestrel_receiver_time_limit();
    if ($limit > 0 && function_exists('set_time_limit')) {
        @set_time_limit($limit);
    }
    $outcomes = kestrel_receiver_run($operations, $flags['transaction'], $flags['commit'], $flags['strict']);
    if (is_wp_error($outcomes)) {
        return $outcomes;
    }
    return array('results' => $outcomes);
}
