class A { #p = 1; static #q; get x() { return #p in this } *g() { yield 1 } }
const o = { a, b: 2, [c]: 3, ...d, m() {} }
