#pragma once

namespace ferrowax {

// A million results grow a few large blocks again and again. By default the
// C library keeps the freed ones for later, so that memory would stay with
// the program; here every large block goes back to the system when freed.
void returnLargeBlocksWhenFreed();

} // namespace ferrowax
