if (a) /re g/.test(b)
x = a / b / c
y = /[/]x/g.exec(s) || typeof /a/
z = a.if(b) / 2
for await (const v of it) /v/.test(v)
w = (a) / 2
