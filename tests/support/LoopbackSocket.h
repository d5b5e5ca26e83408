#pragma once
// A TCP socket on 127.0.0.1 for the tests.

// Binds port (0: one the system chooses) and listens with backlog; a negative backlog
// leaves it bound only, so that every connection to it is refused and no other program
// can take the port while it is held. Returns the descriptor and sets *boundPort, or
// returns -1 and sets it to 0.
int BindLoopback(int port, int backlog, int* boundPort);
