#pragma once

#include <FreeImage.h>

#include <memory>

namespace lumetra {

// Owns a FreeImage bitmap, so no early return leaks one.
struct FreeImageBitmapDeleter {
  void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, FreeImageBitmapDeleter>;

}  // namespace lumetra
