<?php
// Runs Kestrel's statements on a database session of the request's own, opened with this site's
// credentials: a request's statements, a transaction among them, stand or fall together, and a
// request cut off halfway leaves nothing uncommitted behind (the server undoes it with the session).

if (!defined('ABSPATH')) {
    exit;
}

// The modes under which a statement would read differently from how statements.php reads it.
function kestrel_receiver_unsafe_modes()
{
    return array('ANSI', 'ANSI_QUOTES', 'NO_BACKSLASH_ESCAPES');
}

/** Whether the session still reads statements as statements.php does. */
function kestrel_receiver_session_is_sound($link)
{
    $result = mysqli_query($link, 'SELECT @@SESSION.sql_mode, @@SESSION.character_set_client');
    $row = $result instanceof mysqli_result ? mysqli_fetch_row($result) : null;
    if (!$row || $row[1] !== 'utf8mb4') {
        return false;
    }
    return empty(array_intersect(explode(',', strtoupper((string) $row[0])), kestrel_receiver_unsafe_modes()));
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
    $modes = array_diff(explode(',', strtoupper((string) $row[0])), kestrel_receiver_unsafe_modes(), array(''));
    mysqli_query($link, "SET SESSION sql_mode='" . mysqli_real_escape_string($link, implode(',', $modes)) . "'");
    if (!kestrel_receiver_session_is_sound($link)) {
        mysqli_close($link);
        return new WP_Error('kestrel_no_database', 'the session\'s mode cannot be made safe', array('status' => 500));
    }
    return $link;
}

/** The names of the databases the session can see, in lower case. */
function kestrel_receiver_databases($link)
{
    $names = array();
    $result = mysqli_query($link, 'SELECT SCHEMA_NAME FROM information_schema.SCHEMATA');
    while ($result instanceof mysqli_result && ($row = mysqli_fetch_row($result))) {
        $names[] = strtolower($row[0]);
    }
    return $names;
}

/** Copies of the catalogue that hold this site's tables only, made once per session. */
function kestrel_receiver_copy_catalogue($link, $prefix, $copy)
{
    $names = array();
    foreach (kestrel_receiver_table_names() as $bare) {
        $names[] = "'" . mysqli_real_escape_string($link, $prefix . $bare) . "'";
    }
    $tables = 'TABLE_SCHEMA=DATABASE() AND TABLE_NAME IN (' . implode(',', $names) . ')';
    $sources = array(
        'kestrel_schema_tables' => "SELECT * FROM information_schema.TABLES WHERE $tables",
        'kestrel_schema_columns' => "SELECT * FROM information_schema.COLUMNS WHERE $tables",
        'kestrel_schema_engines' => 'SELECT * FROM information_schema.ENGINES',
    );
    return mysqli_query($link, 'CREATE TEMPORARY TABLE IF NOT EXISTS `' . $prefix . $copy . '` AS ' . $sources[$copy]) !== false;
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
 * Runs the settings, then the statements in order, stopping at the first that fails or is refused.
 * Gives the statements' outcomes, or a WP_Error when the session or a setting failed.
 */
function kestrel_receiver_run(array $settings, array $statements)
{
    global $wpdb;
    $link = kestrel_receiver_open_session();
    if (is_wp_error($link)) {
        return $link;
    }
    $prefix = $wpdb->prefix;
    $databases = kestrel_receiver_databases($link);
    $outcomes = array();
    $written = array();
    $pending = array();
    $in_transaction = false;
    $all = array_merge(array_map(function ($s) {
        return array($s, true);
    }, $settings), array_map(function ($s) {
        return array($s, false);
    }, $statements));
    foreach ($all as $item) {
        list($sql, $is_setting) = $item;
        $checked = kestrel_receiver_check_statement($sql, $prefix, $databases);
        if (!is_wp_error($checked) && $is_setting && $checked['kind'] !== 'SET') {
            $checked = new WP_Error('kestrel_statement_refused', 'a setting must be a SET');
        }
        $outcome = null;
        if (is_wp_error($checked)) {
            $outcome = kestrel_receiver_failure(1142, 'refused by the receiving plugin: ' . $checked->get_error_message()
                . ' in: ' . substr($sql, 0, 160));
        } else {
            foreach ($checked['catalogue'] as $copy) {
                if (!kestrel_receiver_copy_catalogue($link, $prefix, $copy)) {
                    $outcome = kestrel_receiver_failure(mysqli_errno($link), mysqli_error($link));
                }
            }
            if ($outcome === null) {
                $result = mysqli_query($link, $checked['sql']);
                if ($result === false) {
                    $outcome = kestrel_receiver_failure(mysqli_errno($link), mysqli_error($link));
                } elseif ($checked['kind'] === 'SET' && !kestrel_receiver_session_is_sound($link)) {
                    $outcome = kestrel_receiver_failure(1142, 'refused by the receiving plugin: a mode that reads statements differently');
                } else {
                    $outcome = kestrel_receiver_outcome($link, $result);
                }
            }
        }
        if ($is_setting) {
            if (!$outcome['ok']) {
                mysqli_close($link);
                return new WP_Error('kestrel_setting_failed', $outcome['error'], array('status' => 400, 'errno' => $outcome['errno']));
            }
            continue;
        }
        $outcomes[] = $outcome;
        if (!$outcome['ok']) {
            break;
        }
        if ($checked['kind'] === 'START') {
            $in_transaction = true;
        } elseif ($checked['kind'] === 'COMMIT' || $checked['kind'] === 'ROLLBACK') {
            if ($checked['kind'] === 'COMMIT') {
                foreach ($pending as $table => $rows) {
                    $written[$table] = (isset($written[$table]) ? $written[$table] : 0) + $rows;
                }
            }
            $pending = array();
            $in_transaction = false;
        } elseif ($checked['table'] !== '' && $outcome['affected'] > 0) {
            $target = $in_transaction ? 'pending' : 'written';
            ${$target}[$checked['table']] = (isset(${$target}[$checked['table']]) ? ${$target}[$checked['table']] : 0) + $outcome['affected'];
        }
    }
    // A transaction the request left open goes with it, said out loud rather than left to the server.
    if ($in_transaction) {
        mysqli_query($link, 'ROLLBACK');
    }
    mysqli_close($link);
    kestrel_receiver_count_written($written);
    return $outcomes;
}
