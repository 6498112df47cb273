#ifndef FILESIZELIMIT_H
#define FILESIZELIMIT_H

#include <sys/resource.h>

#include <csignal>

// Lowers the file size limit of this process for one scope: writes past it
// fail with EFBIG, as a full disk would fail them, after the file was created.
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t nBytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_objOld);
        m_pOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit objNew = m_objOld;
        objNew.rlim_cur = nBytes;
        m_bActive = setrlimit(RLIMIT_FSIZE, &objNew) == 0;
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_objOld);
        std::signal(SIGXFSZ, m_pOldHandler);
    }
    bool IsActive() const { return m_bActive; }

private:
    struct rlimit m_objOld = {};
    void (*m_pOldHandler)(int) = nullptr;
    bool m_bActive = false;
};

#endif // FILESIZELIMIT_H
