<?php
// Every answer to Kestrel carries its length. Without it a client learns where an answer ends only when
// the connection closes, and a TLS terminator in front of PHP that waits for the client's close_notify
// (stunnel does, by default) then holds each answer for a minute; nor could the connection be kept for
// the next request.

if (!defined('ABSPATH')) {
    exit;
}

add_filter('rest_pre_serve_request', 'kestrel_receiver_serve', 10, 4);

/** Whether a route is one of this plugin's. */
function kestrel_receiver_is_route($route)
{
    return strpos((string) $route, '/kestrel/v1/') === 0;
}

/**
 * Sends JSON as the whole answer, with its length: whatever a buffer holds before it (a notice, say)
 * is dropped, since it would only spoil the JSON. Where PHP compresses its output the length is the
 * web server's to tell (it then sends the answer in chunks).
 */
function kestrel_receiver_send_json($json)
{
    while (ob_get_level() > 0 && @ob_end_clean()) {
    }
    if (!headers_sent() && !ini_get('zlib.output_compression')) {
        header('Content-Length: ' . strlen($json));
    }
    echo $json;
}

/** The REST API's own way of answering, for this plugin's routes, with the answer's length. */
function kestrel_receiver_serve($served, $result, $request, $server)
{
    // Only as Kestrel asks: a request for JSONP, embedded links or an envelope goes the REST API's way.
    if ($served || !kestrel_receiver_is_route($request->get_route()) || $request->get_method() === 'HEAD'
        || isset($_GET['_jsonp']) || isset($_GET['_embed']) || isset($_GET['_envelope'])) {
        return $served;
    }
    $data = apply_filters('rest_pre_echo_response', $server->response_to_data($result, false), $server, $request);
    if ($result->get_status() === 204 || $data === null) {
        return $served;
    }
    kestrel_receiver_send_json(wp_json_encode($data));
    return true;
}

/**
 * Why a request's body cannot be read as Kestrel sends it, as a WP_Error with a 4xx status; null when it
 * can: a JSON object of no keys but $keys. Nothing of such a request is carried out.
 */
function kestrel_receiver_body_refusal(WP_REST_Request $request, array $keys)
{
    // PHP drops a body longer than it takes: it would read as one that asks for nothing.
    $length = isset($_SERVER['CONTENT_LENGTH']) ? (int) $_SERVER['CONTENT_LENGTH'] : 0;
    $most = wp_convert_hr_to_bytes((string) ini_get('post_max_size'));
    if ($most > 0 && $length > $most) {
        return new WP_Error('kestrel_too_large', sprintf('the request of %d bytes is longer than this site takes (%d bytes)', $length, $most),
            array('status' => 413));
    }
    $body = $request->get_json_params();
    if (!is_array($body) || (!empty($body) && wp_is_numeric_array($body))) {
        return new WP_Error('kestrel_bad_request', 'the body is not a JSON object', array('status' => 400));
    }
    $unknown = array_diff(array_keys($body), $keys);
    if (!empty($unknown)) {
        return new WP_Error('kestrel_bad_request', 'the body holds what this route does not take: ' . implode(', ', $unknown),
            array('status' => 400));
    }
    return null;
}
