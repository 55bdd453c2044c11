#!/usr/bin/env node
x = "<\/scr" + "ipt>"; a < / script /
b < ! --c
