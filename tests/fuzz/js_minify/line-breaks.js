a = b
(c)
return
x
i
++j
f()
.then(g)
let
[k] = m
async
function h() {}
x = y
=> 1
