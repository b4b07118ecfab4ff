<?php
/**
 * Plugin Name:       Kestrel Receiver
 * Description:       Receives a blog moved from emlog by Kestrel over this site's own HTTPS address, for a WordPress whose database cannot be reached from outside. Receiving is off until switched on under Tools → Kestrel, and switches itself off after an hour.
 * Version:           1.0.0
 * Requires at least: 6.1
 * Requires PHP:      7.4
 * Author:            Kestrel
 * License:           GPL-2.0-or-later
 * License URI:       https://www.gnu.org/licenses/gpl-2.0.html
 * Text Domain:       kestrel-receiver
 */

/*
 * This program is free software; you can redistribute it and/or modify it under the terms of the
 * GNU General Public License as published by the Free Software Foundation; either version 2 of the
 * License, or (at your option) any later version.
 *
 * This program is distributed in the hope that it will be useful, but WITHOUT ANY WARRANTY; without
 * even the implied warranty of MERCHANTABILITY or FITNESS FOR A PARTICULAR PURPOSE. See the GNU
 * General Public License for more details.
 */

if (!defined('ABSPATH')) {
    exit;
}

// What Kestrel checks before it sends anything: a Kestrel that needs more says the plugin is too old.
// 2: the file route looks, reads, writes only where nothing or the same bytes are, and replaces.
// 3: operations by name and rows by table, at kestrel/v1/operations, instead of statements.
define('KESTREL_RECEIVER_PROTOCOL', 3);

require_once __DIR__ . '/includes/switch.php';
require_once __DIR__ . '/includes/answers.php';
require_once __DIR__ . '/includes/operations.php';
require_once __DIR__ . '/includes/catalogue.php';
require_once __DIR__ . '/includes/emptying.php';
require_once __DIR__ . '/includes/session.php';
require_once __DIR__ . '/includes/files.php';
require_once __DIR__ . '/includes/routes.php';
require_once __DIR__ . '/includes/early.php';
require_once __DIR__ . '/includes/admin.php';
