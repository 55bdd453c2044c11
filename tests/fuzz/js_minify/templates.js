var t = `a  ${ b + `c ${ d ? { e: 1 }.e : "}" } ` } f`;
tag`x${ y }z`
`\` \${ no }`
