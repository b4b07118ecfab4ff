<?php
/*
 * The old blog's footer: its ICP record number, linked to the MIIT's record site as emlog's own
 * template linked it (a site in China must show it), and the HTML its owner wrote for the footer.
 * Kestrel keeps both in the option kestrel_footer when it moves the blog; Settings → 页脚 changes
 * or hides them.
 */

if (!defined('ABSPATH')) {
    exit;
}

const KESTREL_FOOTER_OPTION = 'kestrel_footer';

/**
 * The footer's settings, each with its default: shown when there is something to show.
 */
function kestrel_footer_settings()
{
    $saved = get_option(KESTREL_FOOTER_OPTION, array());
    $saved = is_array($saved) ? $saved : array();
    return array(
        'icp' => isset($saved['icp']) ? (string) $saved['icp'] : '',
        'info' => isset($saved['info']) ? (string) $saved['info'] : '',
        'show_icp' => !isset($saved['show_icp']) || (bool) $saved['show_icp'],
        'show_info' => !isset($saved['show_info']) || (bool) $saved['show_info'],
    );
}

/**
 * The footer's HTML; empty when there is nothing to show.
 */
function kestrel_footer_html()
{
    $footer = kestrel_footer_settings();
    $parts = array();
    if ($footer['show_icp'] && trim($footer['icp']) !== '') {
        $parts[] = '<a href="https://beian.miit.gov.cn/" target="_blank" rel="noopener">' . esc_html($footer['icp']) .
            '</a>';
    }
    if ($footer['show_info'] && trim($footer['info']) !== '') {
        // The owner's own HTML, as the old blog showed it.
        $parts[] = $footer['info'];
    }
    if (!$parts) {
        return '';
    }
    return '<div class="kestrel-footer" style="text-align:center;padding:1em;clear:both">' . implode(' ', $parts) .
        '</div>';
}

// Classic themes and block themes alike call wp_footer at the end of every page they serve.
add_action('wp_footer', function () {
    echo kestrel_footer_html();
});

add_action('admin_init', function () {
    register_setting('kestrel_footer', KESTREL_FOOTER_OPTION, array(
        'type' => 'array',
        'sanitize_callback' => 'kestrel_footer_sanitize',
        'default' => array(),
    ));
});

/**
 * What the settings form sends, as it is kept: the footer HTML as the user may post HTML.
 */
function kestrel_footer_sanitize($input)
{
    $input = is_array($input) ? $input : array();
    $info = isset($input['info']) ? (string) $input['info'] : '';
    return array(
        'icp' => sanitize_text_field(isset($input['icp']) ? (string) $input['icp'] : ''),
        'info' => current_user_can('unfiltered_html') ? $info : wp_kses_post($info),
        'show_icp' => !empty($input['show_icp']),
        'show_info' => !empty($input['show_info']),
    );
}

add_action('admin_menu', function () {
    add_options_page(__('页脚', 'kestrel-redirects'), __('页脚', 'kestrel-redirects'), 'manage_options',
        'kestrel-footer', 'kestrel_footer_page');
});

function kestrel_footer_page()
{
    $footer = kestrel_footer_settings();
    $name = KESTREL_FOOTER_OPTION;
    ?>
    <div class="wrap">
        <h1><?php esc_html_e('页脚', 'kestrel-redirects'); ?></h1>
        <p><?php esc_html_e('从 emlog 搬来的备案号和页脚信息，显示在每个页面的页脚。', 'kestrel-redirects'); ?></p>
        <form method="post" action="options.php">
            <?php settings_fields('kestrel_footer'); ?>
            <table class="form-table" role="presentation">
                <tr>
                    <th scope="row"><label for="kestrel-footer-icp"><?php esc_html_e('ICP 备案号', 'kestrel-redirects'); ?></label></th>
                    <td>
                        <input type="text" class="regular-text" id="kestrel-footer-icp" name="<?php echo esc_attr($name); ?>[icp]"
                               value="<?php echo esc_attr($footer['icp']); ?>">
                        <p><label><input type="checkbox" name="<?php echo esc_attr($name); ?>[show_icp]" value="1" <?php checked($footer['show_icp']); ?>>
                            <?php esc_html_e('显示备案号（链接到 beian.miit.gov.cn）', 'kestrel-redirects'); ?></label></p>
                    </td>
                </tr>
                <tr>
                    <th scope="row"><label for="kestrel-footer-info"><?php esc_html_e('页脚信息', 'kestrel-redirects'); ?></label></th>
                    <td>
                        <textarea class="large-text code" rows="4" id="kestrel-footer-info" name="<?php echo esc_attr($name); ?>[info]"><?php echo esc_textarea($footer['info']); ?></textarea>
                        <p><label><input type="checkbox" name="<?php echo esc_attr($name); ?>[show_info]" value="1" <?php checked($footer['show_info']); ?>>
                            <?php esc_html_e('显示页脚信息（HTML，照原样显示）', 'kestrel-redirects'); ?></label></p>
                    </td>
                </tr>
            </table>
            <?php submit_button(); ?>
        </form>
    </div>
    <?php
}
