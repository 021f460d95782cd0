// Evaluated in the shell's own script world, never the page's: page scripts
// cannot reach its objects, so nothing here can be redefined by them. Gives
// the origin of the document, or, for a local file's origin (which WebKit
// serialises as "null", like an opaque one), the URL of the file.
(function () {
  'use strict';
  if (self.origin !== 'null') return self.origin;
  // Only an opaque origin (sandboxed, data:, or made by such a document)
  // is refused its cookies.
  try {
    void document.cookie;
  } catch (error) {
    return 'null';
  }
  // about:blank and srcdoc documents share the origin of the document that
  // made them. A local file's origin lets in no other document than those
  // sharing it, so a parent or opener whose document can be read here is
  // one of them, and the first file among them names the origin.
  const mostCreators = 32;
  let view = self;
  for (let step = 0; step < mostCreators && view; ++step) {
    let url;
    try {
      url = view.document.URL;
    } catch (error) {
      return 'null';
    }
    if (url.startsWith('file:')) return url;
    if (!url.startsWith('about:')) return 'null';
    view = view.parent !== view ? view.parent : view.opener;
  }
  return 'null';
})()
