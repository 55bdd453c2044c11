#pragma once

// Instance locks of the test's own (POSIX only).

namespace testsupport {

// Gives this process, and every program it starts, instance locks of their
// own: a private mount namespace in which the folders where the program
// keeps its lock (/run/user and /tmp/pagetrim-user-UID) are empty file
// systems of this process's own. The tests then meet neither a Pagetrim
// the user runs nor one another, as the lock's place depends on the user
// alone. Call first in main, before any thread starts. Returns false, with
// the reason on standard error, where the system does not allow it (no
// user namespaces for a user who is not root); the tests then share the
// user's own lock folder.
bool IsolateInstanceLocks();

// Whether IsolateInstanceLocks succeeded in this process.
bool InstanceLocksIsolated();

}  // namespace testsupport
