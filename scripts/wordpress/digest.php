<?php
// What a reader of an HTML fragment gets from it, to compare two renderings of the same text:
// the elements in document order, the visible text (white space collapsed; typographic quotes,
// dashes and smilies read back as typed, since WordPress makes those when it shows text), the
// text of code as it is, and whether anything in it would run script.
function digest_html($html) {
    $document = new DOMDocument();
    libxml_use_internal_errors(true);
    $document->loadHTML('<?xml encoding="UTF-8"><body>' . $html . '</body>', LIBXML_NOBLANKS);
    libxml_clear_errors();
    $elements = [];
    $code = ''; // the text of every code element, as it is
    $unsafe = [];
    $walk = function ($node) use (&$walk, &$elements, &$code, &$unsafe) {
        foreach (iterator_to_array($node->childNodes) as $child) {
            if ($child instanceof DOMText) {
                continue;
            }
            if (!($child instanceof DOMElement)) {
                continue;
            }
            $name = strtolower($child->nodeName);
            if ($name === 'img' && strpos($child->getAttribute('class'), 'wp-smiley') !== false) {
                $child->parentNode->replaceChild($child->ownerDocument->createTextNode($child->getAttribute('alt')), $child);
                continue;
            }
            $elements[] = $name;
            if ($name === 'code') {
                // Without the line break one renderer ends a code block with and the other not.
                $code .= rtrim($child->textContent, "\n") . "\n";
            }
            if (in_array($name, ['script', 'svg', 'iframe', 'object', 'embed', 'style'], true)) {
                $unsafe[] = $name;
            }
            foreach ($child->attributes as $attribute) {
                $value = strtolower(trim($attribute->value));
                if (strpos(strtolower($attribute->name), 'on') === 0 || strpos($value, 'javascript:') === 0) {
                    $unsafe[] = "$name@{$attribute->name}";
                }
            }
            $walk($child);
        }
    };
    $body = $document->getElementsByTagName('body')->item(0);
    if ($body === null) {
        return ['elements' => '', 'text' => '', 'code' => '', 'unsafe' => ''];
    }
    $walk($body);
    $text = strtr($body->textContent, [
        "\u{2018}" => "'", "\u{2019}" => "'", "\u{201C}" => '"', "\u{201D}" => '"', "\u{2032}" => "'",
        "\u{2033}" => '"', "\u{2026}" => '...', "\u{2013}" => '-', "\u{2014}" => '-', "\u{00D7}" => 'x',
        "\u{00A0}" => ' ',
    ]);
    $text = preg_replace('/-+/', '-', $text);
    // An address in the text may now lead to the new blog: the same link, written another way.
    $text = preg_replace('#https?://[^\s<>"\']+#i', 'URL', $text);
    return [
        'elements' => implode(' ', $elements),
        'text' => trim(preg_replace('/\s+/u', ' ', $text)),
        'code' => $code,
        'unsafe' => implode(' ', $unsafe),
    ];
}

// The texts of the links of a fragment, sorted: a list of terms as a reader sees it.
function digest_link_texts($html) {
    $document = new DOMDocument();
    libxml_use_internal_errors(true);
    $document->loadHTML('<?xml encoding="UTF-8"><body>' . $html . '</body>');
    libxml_clear_errors();
    $texts = [];
    foreach ($document->getElementsByTagName('a') as $link) {
        $texts[] = $link->textContent;
    }
    sort($texts, SORT_STRING);
    return $texts;
}
