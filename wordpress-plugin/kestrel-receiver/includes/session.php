<?php
// Carries out Kestrel's operations on a database session of the request's own, opened with this site's
// credentials and WordPress's own modes: a request's operations, a transaction among them, stand or fall
// together, and a request cut off halfway leaves nothing uncommitted behind (the server undoes it with
// the session).

if (!defined('ABSPATH')) {
    exit;
}

// The modes under which a value quoted by $wpdb would read otherwise.
function kestrel_receiver_unsafe_modes()
{
    return array('ANSI', 'ANSI_QUOTES', 'NO_BACKSLASH_ESCAPES');
}

// The modes WordPress's own session drops, as wpdb::set_sql_mode() does.
function kestrel_receiver_incompatible_modes()
{
    return (array) apply_filters('incompatible_sql_modes', array('NO_ZERO_DATE', 'ONLY_FULL_GROUP_BY',
        'STRICT_TRANS_TABLES', 'STRICT_ALL_TABLES', 'TRADITIONAL', 'ANSI'));
}

/** Whether the session reads values as $wpdb quotes them. */
function kestrel_receiver_session_is_sound($link)
{
    $result = mysqli_query($link, 'SELECT @@SESSION.sql_mode, @@SESSION.character_set_client');
    $row = $result instanceof mysqli_result ? mysqli_fetch_row($result) : null;
    if (!$row || $row[1] !== 'utf8mb4') {
        return false;
    }
    return empty(array_intersect(explode(',', strtoupper((string) $row[0])), kestrel_receiver_unsafe_modes()));
}

/** Whether $wpdb quotes values as this session reads them. */
function kestrel_receiver_quotes_alike($link)
{
    global $wpdb;
    foreach (array("\xbf\x5c\x27", "\x81\x5c\x27", "a'b\\c\0\"%", "中文\xe5\x5c\x27") as $probe) {
        if ($wpdb->remove_placeholder_escape($wpdb->prepare('%s', $probe)) !== "'" . mysqli_real_escape_string($link, $probe) . "'") {
            return false;
        }
    }
    return true;
}

/** A session on this site's database, or a WP_Error. */
function kestrel_receiver_open_session()
{
    global $wpdb;
    mysqli_report(MYSQLI_REPORT_OFF);
    list($host, $port, $socket, $is_ipv6) = $wpdb->parse_db_host(DB_HOST);
    if ($is_ipv6 && extension_loaded('mysqlnd')) {
        $host = "[$host]";
    }
    $link = mysqli_init();
    $flags = defined('MYSQL_CLIENT_FLAGS') ? MYSQL_CLIENT_FLAGS : 0;
    if (!@mysqli_real_connect($link, $host, DB_USER, DB_PASSWORD, DB_NAME, $port ? (int) $port : null, $socket ?: null, $flags)) {
        return new WP_Error('kestrel_no_database', mysqli_connect_error(), array('status' => 500));
    }
    mysqli_set_charset($link, 'utf8mb4');
    $result = mysqli_query($link, 'SELECT @@SESSION.sql_mode');
    $row = $result instanceof mysqli_result ? mysqli_fetch_row($result) : array('');
    $modes = array_diff(explode(',', strtoupper((string) $row[0])), kestrel_receiver_unsafe_modes(),
        kestrel_receiver_incompatible_modes(), array(''));
    mysqli_query($link, "SET SESSION sql_mode='" . mysqli_real_escape_string($link, implode(',', $modes)) . "'");
    if (!kestrel_receiver_session_is_sound($link)) {
        mysqli_close($link);
        return new WP_Error('kestrel_no_database', 'the session\'s mode cannot be made safe', array('status' => 500));
    }
    // Values are quoted by $wpdb, in its own connection's character set: where a byte after a lead byte of
    // that set (GBK's, say) would be a backslash to this session, this request's $wpdb speaks utf8mb4 too.
    if (!kestrel_receiver_quotes_alike($link)) {
        $wpdb->set_charset($wpdb->dbh, 'utf8mb4');
    }
    if (!kestrel_receiver_quotes_alike($link)) {
        mysqli_close($link);
        return new WP_Error('kestrel_no_database', 'values cannot be quoted as the session reads them', array('status' => 500));
    }
    return $link;
}

function kestrel_receiver_failure($number, $text)
{
    return array('ok' => false, 'errno' => (int) $number, 'error' => (string) $text);
}

/** One statement's outcome, as Kestrel reads it: rows, the id of an insert, warnings. */
function kestrel_receiver_outcome($link, $result)
{
    $outcome = array(
        'ok' => true,
        'insert_id' => (string) mysqli_insert_id($link),
        'affected' => (int) mysqli_affected_rows($link),
        'warning_count' => (int) mysqli_warning_count($link),
    );
    if ($result instanceof mysqli_result) {
        $columns = array();
        foreach (mysqli_fetch_fields($result) as $field) {
            $columns[] = $field->name;
        }
        $rows = array();
        while ($row = mysqli_fetch_row($result)) {
            // Values go as base64: a value's bytes arrive as stored, whatever they are.
            $rows[] = array_map(function ($value) {
                return $value === null ? null : base64_encode($value);
            }, $row);
        }
        mysqli_free_result($result);
        $outcome['columns'] = $columns;
        $outcome['rows'] = $rows;
    }
    if ($outcome['warning_count'] > 0) {
        $warnings = array();
        $shown = mysqli_query($link, 'SHOW WARNINGS');
        while ($shown instanceof mysqli_result && ($row = mysqli_fetch_assoc($shown))) {
            $warnings[] = array((int) $row['Code'], (string) $row['Message']);
        }
        $outcome['warnings'] = $warnings;
    }
    return $outcome;
}

/**
 * Carries out the operations in order, stopping at the first that fails or is refused; in a transaction,
 * committed after the last when $commit, undone otherwise. Under $strict, a value the server would have to
 * change is refused instead. Gives the operations' outcomes (and one more where the commit failed), or a
 * WP_Error when the session failed.
 */
function kestrel_receiver_run(array $operations, $transaction, $commit, $strict)
{
    $link = kestrel_receiver_open_session();
    if (is_wp_error($link)) {
        return $link;
    }
    if ($strict && !mysqli_query($link, "SET SESSION sql_mode=CONCAT_WS(',', NULLIF(@@SESSION.sql_mode, ''), 'STRICT_ALL_TABLES')")) {
        $error = new WP_Error('kestrel_setting_failed', mysqli_error($link), array('status' => 500, 'errno' => mysqli_errno($link)));
        mysqli_close($link);
        return $error;
    }
    if ($transaction && !mysqli_query($link, 'START TRANSACTION')) {
        $error = new WP_Error('kestrel_setting_failed', mysqli_error($link), array('status' => 500, 'errno' => mysqli_errno($link)));
        mysqli_close($link);
        return $error;
    }
    $outcomes = array();
    $written = array();
    $failed = false;
    foreach ($operations as $operation) {
        try {
            list($sql, $table) = kestrel_receiver_statement($link, $operation);
        } catch (Kestrel_Receiver_Refusal $refusal) {
            $outcomes[] = kestrel_receiver_failure(1142, 'refused by the receiving plugin: ' . $refusal->getMessage());
            $failed = true;
            break;
        }
        $result = mysqli_query($link, $sql);
        $outcome = $result === false ? kestrel_receiver_failure(mysqli_errno($link), mysqli_error($link))
            : kestrel_receiver_outcome($link, $result);
        $outcomes[] = $outcome;
        if (!$outcome['ok']) {
            $failed = true;
            break;
        }
        if ($table !== '' && $outcome['affected'] > 0) {
            $written[$table] = (isset($written[$table]) ? $written[$table] : 0) + $outcome['affected'];
        }
    }
    if ($transaction) {
        if ($failed || !$commit) {
            mysqli_query($link, 'ROLLBACK');
            $written = array();
        } elseif (!mysqli_query($link, 'COMMIT')) {
            $outcomes[] = kestrel_receiver_failure(mysqli_errno($link), mysqli_error($link));
            $written = array();
        }
    }
    mysqli_close($link);
    kestrel_receiver_count_written($written);
    return $outcomes;
}
