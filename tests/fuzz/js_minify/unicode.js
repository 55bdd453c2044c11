a =　b c = " "; café = \u0061 + \u{62}
de
