// Hand-over of a record from a reader thread to its callers: the reader publishes its working
// record under a lock; a caller copies the published one out under the same lock into a local
// and only then writes its own buffer, so the lock is never held while writing memory the
// caller owns (which may be slow or shared).
#pragma once

#include <mutex>

template <class T, class Mutex>
void PublishUnderLock(Mutex& lock, const T& working, T* published) {
  std::lock_guard guard(lock);
  *published = working;
}

template <class T, class Mutex>
T* CopyUnderLock(Mutex& lock, const T& published, T* dst) {
  T copy;
  {
    std::lock_guard guard(lock);
    copy = published;
  }
  *dst = copy;
  return dst;
}
