#include "RuntimeError.h"

namespace tolvan {

RuntimeError::RuntimeError(qint32 number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QStringLiteral("%1: %2").arg(number).arg(m_description).toUtf8())
{
}

} // namespace tolvan
