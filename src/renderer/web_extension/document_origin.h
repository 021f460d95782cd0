#pragma once

#include <webkit2/webkit-web-extension.h>

#include <string>

namespace lumetra {

// What decides whether the frame's current document is trusted, as
// TrustedOrigins::trusts takes it: its origin, or for a local file's origin
// the URL of that file; "null" when opaque or unknown.
//
// WebKit's web extension API names a frame's URL but not its document's
// security origin, and the URL alone is wrong both ways: an about:blank or
// srcdoc document has its creator's origin, a sandboxed one has none. The
// origin is read instead where WebKit keeps it, through the document's own
// bindings (`self.origin`), in a script world of the shell's own: page
// scripts share no object with that world, so they cannot redefine what it
// reads, whenever it reads it.
std::string documentOrigin(WebKitFrame* frame);

}  // namespace lumetra
