#ifndef CXMLBUFFER_H
#define CXMLBUFFER_H

#include <QByteArray>

#include <pugixml.hpp>

// Collects what the XML library writes into a byte array of its own, so a
// document can be compared or handed on without touching the disk.
class CXMLBuffer : public pugi::xml_writer
{
public:
    void write(const void *pData, size_t nSize) override;

    const QByteArray &GetBuffer() const { return m_objBuffer; }
    void Clear() { m_objBuffer.clear(); }

private:
    QByteArray m_objBuffer;
};

#endif // CXMLBUFFER_H
