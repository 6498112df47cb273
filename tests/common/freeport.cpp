#include "freeport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool CanBind(int nType, int nPort)
{
    const int nFd = socket(AF_INET, nType, 0);
    if (nFd < 0)
        return false;
    sockaddr_in stAddr{};
    stAddr.sin_family = AF_INET;
    stAddr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    stAddr.sin_port = htons(static_cast<uint16_t>(nPort));
    const bool bOk = bind(nFd, reinterpret_cast<sockaddr *>(&stAddr), sizeof(stAddr)) == 0;
    close(nFd);
    return bOk;
}

} // namespace

int PickFreePort()
{
    for (int nTry = 0; nTry < 50; ++nTry) {
        const int nFd = socket(AF_INET, SOCK_STREAM, 0);
        if (nFd < 0)
            return 0;
        sockaddr_in stAddr{};
        stAddr.sin_family = AF_INET;
        stAddr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        stAddr.sin_port = 0;
        socklen_t nLen = sizeof(stAddr);
        int nPort = 0;
        if (bind(nFd, reinterpret_cast<sockaddr *>(&stAddr), sizeof(stAddr)) == 0
            && getsockname(nFd, reinterpret_cast<sockaddr *>(&stAddr), &nLen) == 0)
            nPort = ntohs(stAddr.sin_port);
        close(nFd);
        if (nPort != 0 && CanBind(SOCK_DGRAM, nPort))
            return nPort;
    }
    return 0;
}
