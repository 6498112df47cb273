#include "cxmlbuffer.h"

#include <climits>

void CXMLBuffer::write(const void *pData, size_t nSize)
{
    // The library hands out small chunks; a QByteArray tops out below 2 GiB.
    if (nSize > static_cast<size_t>(INT_MAX - m_objBuffer.size()))
        return;
    m_objBuffer.append(static_cast<const char *>(pData), static_cast<int>(nSize));
}
