#ifndef FREEPORT_H
#define FREEPORT_H

// A loopback port number that is free for both TCP and UDP right now, so tests
// never collide with each other or with a service of the machine.
int PickFreePort();

#endif // FREEPORT_H
