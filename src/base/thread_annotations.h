#pragma once

// Clang's thread safety analysis (-Wthread-safety): state says which lock
// guards it, functions say which locks they need. Other compilers ignore it.
#if defined(__clang__)
#define LUMETRA_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define LUMETRA_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(name) LUMETRA_THREAD_ANNOTATION(capability(name))
#define SCOPED_CAPABILITY LUMETRA_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(lock) LUMETRA_THREAD_ANNOTATION(guarded_by(lock))
#define REQUIRES(...) LUMETRA_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) LUMETRA_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) LUMETRA_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) LUMETRA_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) LUMETRA_THREAD_ANNOTATION(assert_capability(x))
#define ACQUIRED_AFTER(...) LUMETRA_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
// A function that names a private lock, so that annotations outside its
// class can name it too.
#define RETURN_CAPABILITY(x) LUMETRA_THREAD_ANNOTATION(lock_returned(x))
