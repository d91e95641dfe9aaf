// A read/write standard stream over one store record. The middle-level store
// hands these out for facets and keeps its ID table in one; callers see them only
// as std::iostream. The stream owns its StoreStreamBuf, which owns the record's
// Chain (and so a reference on the store): destroy every stream before its store.
#ifndef STORE_STORE_STREAM_H
#define STORE_STORE_STREAM_H

#include <iostream>
#include <memory>

#include "platform/windows_types.h"
#include "store/store_stream_buf.h"

class LowLevelStore;

class StoreStream : public std::iostream {
 public:
  // A stream with the default 256-byte buffer on the record at `handle`; a freed
  // record is refused with BadBlockException "Block has been freed".
  StoreStream(LowLevelStore* store, ULONG handle);
  // A stream using the caller's buffer (not owned; null or a length below 2:
  // unbuffered).
  StoreStream(LowLevelStore* store, ULONG handle, char* buffer, int length);
  // A stream with the default buffer on a chain already open on a record.
  explicit StoreStream(std::unique_ptr<Chain> record);
  // Flushes, then closes the record.
  ~StoreStream() override;
  StoreStream(const StoreStream&) = delete;
  StoreStream& operator=(const StoreStream&) = delete;

  StoreStreamBuf* storeBuf() const { return &buf_; }
  // The record's handle (0 once closed).
  ULONG handle() const { return buf_.handle(); }

 private:
  // Inside the stream (a stream is made for every page read or written); it
  // closes its record when the stream's own destructor has flushed it.
  mutable StoreStreamBuf buf_;
};

#endif  // STORE_STORE_STREAM_H
