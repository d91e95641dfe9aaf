// The read/write stream that owns one StoreStreamBuf.
#include "store/store_stream.h"

#include "store/chain.h"

// The buffer is made before the stream is attached to it, so a refused record
// leaves nothing half-made behind.
StoreStream::StoreStream(LowLevelStore* store, ULONG handle)
    : std::iostream(nullptr), buf_(store, handle) {
  rdbuf(&buf_);
}

StoreStream::StoreStream(LowLevelStore* store, ULONG handle, char* buffer, int length)
    : std::iostream(nullptr), buf_(store, handle, buffer, length) {
  rdbuf(&buf_);
}

StoreStream::StoreStream(std::unique_ptr<Chain> record)
    : std::iostream(nullptr), buf_(std::move(record)) {
  rdbuf(&buf_);
}

StoreStream::~StoreStream() {
  clear();
  flush();
  rdbuf(nullptr);
  // buf_ goes next, closing the record.
}
