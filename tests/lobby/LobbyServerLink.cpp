// The network tests' starter of our lobby server, shared with the lobby's loopback tests.
#include "../net/LobbyServerProcess.cpp"
