<?php
// Kestrel's operations, answered once the plugins are loaded. A run sends many requests, and each would
// otherwise first set up the theme, the post types, the blocks and WordPress's whole REST API, which
// carrying out operations on this site's tables never needs: most of a request's time.
//
// Only a request that may receive is answered here, through the same checks and the same filters of
// the REST API a request takes there (rest_authentication_errors, rest_pre_dispatch, rest_post_dispatch),
// with the answer it would get there. Anything else (no password, a wrong one, an editor, receiving off)
// goes WordPress's whole way and is refused there, as ever.

if (!defined('ABSPATH')) {
    exit;
}

add_action('plugins_loaded', 'kestrel_receiver_answer_early', PHP_INT_MAX);

/**
 * Whether this request is Kestrel's operations as Kestrel sends them: posted to the plain
 * address of the route, and nothing else asked of the REST API (no other method, no envelope, no fields).
 */
function kestrel_receiver_is_early_request()
{
    return !defined('REST_REQUEST') && isset($_SERVER['REQUEST_METHOD'], $_GET['rest_route'])
        && $_SERVER['REQUEST_METHOD'] === 'POST' && !isset($_SERVER['HTTP_X_HTTP_METHOD_OVERRIDE'])
        && count($_GET) === 1 && is_string($_GET['rest_route'])
        && untrailingslashit($_GET['rest_route']) === '/kestrel/v1/operations';
}

function kestrel_receiver_answer_early()
{
    if (!kestrel_receiver_is_early_request()) {
        return;
    }
    // Application passwords log in on API requests only; this is one, though WordPress has not said so yet.
    add_filter('application_password_is_api_request', '__return_true');
    $may = kestrel_receiver_may_receive();
    $checked = $may === true ? apply_filters('rest_authentication_errors', null) : null;
    remove_filter('application_password_is_api_request', '__return_true');
    // A site of a network that is archived or suspended stops on its own way, as every request there does.
    $site_open = !is_multisite() || ms_site_check() === true;
    if ($may !== true || ($checked !== null && $checked !== true) || !$site_open || !is_user_logged_in()) {
        // Asked again on the whole way, where WordPress knows the request for an API one.
        $GLOBALS['current_user'] = null;
        return;
    }

    $server = new WP_REST_Server();
    $request = new WP_REST_Request('POST', '/kestrel/v1/operations');
    $request->set_query_params(wp_unslash($_GET));
    $request->set_headers($server->get_headers(wp_unslash($_SERVER)));
    $request->set_body(WP_REST_Server::get_raw_data());
    $result = apply_filters('rest_pre_dispatch', null, $server, $request);
    if (empty($result)) {
        $result = kestrel_receiver_operations($request);
    }
    $response = rest_ensure_response($result);
    if (is_wp_error($response)) {
        $response = rest_convert_error_to_response($response);
    }
    $response = apply_filters('rest_post_dispatch', $response, $server, $request);
    status_header($response->get_status());
    header('Content-Type: application/json; charset=' . get_option('blog_charset'));
    header('X-Content-Type-Options: nosniff');
    nocache_headers();
    kestrel_receiver_send_json(wp_json_encode($response->get_data()));
    exit;
}
