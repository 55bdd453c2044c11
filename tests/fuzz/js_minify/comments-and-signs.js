/*! keep me */
// drop me
(function () {
  'use strict';
  var a = 1, b = a + +2 - -3
  return a++ + b
})();
//# sourceMappingURL=x.js.map
