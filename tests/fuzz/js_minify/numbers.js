n = [1., .5, 1e5, 1E-5, 0x1F, 0b10, 0o7, 1_000, 10n, 1 .toString(), 1..x]
p = 1 in q
