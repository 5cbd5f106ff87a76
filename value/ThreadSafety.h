#pragma once

// Clang's thread-safety annotations, under names of our own. Under clang with -Wthread-safety
// the compiler checks at every call that what a function requires is held, that a guarded
// variable is touched only with its capability held, and that a scope releases what it took.
// Under any other compiler the macros are empty and change nothing.

#if defined(__clang__)
#    define RT_THREAD_ANNOTATION(x) __attribute__((x))
#else
#    define RT_THREAD_ANNOTATION(x)
#endif

/// The class is a lock: objects of it can be held.
#define RT_CAPABILITY(name) RT_THREAD_ANNOTATION(capability(name))
/// The class takes a capability in its constructor and gives it back in its destructor (or
/// the other way round).
#define RT_SCOPED_CAPABILITY RT_THREAD_ANNOTATION(scoped_lockable)
/// The variable may be read or written only while the capability is held.
#define RT_GUARDED_BY(x) RT_THREAD_ANNOTATION(guarded_by(x))
/// What the pointer points to may be touched only while the capability is held.
#define RT_PT_GUARDED_BY(x) RT_THREAD_ANNOTATION(pt_guarded_by(x))
/// The caller must hold the capabilities.
#define RT_REQUIRES(...) RT_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
/// The caller must not hold the capabilities (the function takes them itself).
#define RT_EXCLUDES(...) RT_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
/// The function takes the capabilities and returns holding them.
#define RT_ACQUIRE(...) RT_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
/// The function tries to take the capabilities and holds them when it answers `result`.
#define RT_TRY_ACQUIRE(result, ...)                                                                \
    RT_THREAD_ANNOTATION(try_acquire_capability(result, __VA_ARGS__))
/// The function gives the capabilities back.
#define RT_RELEASE(...) RT_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
/// The function checks at run time that the capability is held (and stops when it is not), so
/// after the call the analysis takes it as held.
#define RT_ASSERT_CAPABILITY(x) RT_THREAD_ANNOTATION(assert_capability(x))
/// The function answers a reference to the capability.
#define RT_RETURN_CAPABILITY(x) RT_THREAD_ANNOTATION(lock_returned(x))
/// The analysis is off for the function: only where it cannot follow a correct pattern, with
/// the reason beside it.
#define RT_NO_THREAD_SAFETY_ANALYSIS RT_THREAD_ANNOTATION(no_thread_safety_analysis)
