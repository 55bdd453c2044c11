x = "open
y = `never ${ closed
