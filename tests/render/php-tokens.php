<?php
// PHP's own tokenizer on an original template and its safe-mode copy: the
// code must be the same, token for token (the HTML between blocks, which
// safe mode compacts, is left out). Reads a list of lines "NAME<TAB>ORIGINAL
// <TAB>COPY"; prints each template whose code differs, with the first
// differing token, and exits 1 when there is one.

function code_tokens(string $text): array {
    $out = [];
    foreach (token_get_all($text) as $t) {
        if (is_array($t)) {
            if ($t[0] === T_INLINE_HTML) continue;
            $out[] = token_name($t[0]) . ' ' . $t[1];
        } else {
            $out[] = $t;
        }
    }
    return $out;
}

$failed = 0;
foreach (file($argv[1], FILE_IGNORE_NEW_LINES | FILE_SKIP_EMPTY_LINES) as $line) {
    [$name, $orig, $copy] = explode("\t", $line);
    $a = code_tokens(file_get_contents($orig));
    $b = code_tokens(file_get_contents($copy));
    if ($a === $b) continue;
    $failed++;
    $n = max(count($a), count($b));
    for ($i = 0; $i < $n; $i++) {
        if (($a[$i] ?? null) !== ($b[$i] ?? null)) {
            printf("%s: token %d: original %s, safe mode %s\n", $name, $i,
                   json_encode(substr($a[$i] ?? '(none)', 0, 120)), json_encode(substr($b[$i] ?? '(none)', 0, 120)));
            break;
        }
    }
}
exit($failed > 0 ? 1 : 0);
