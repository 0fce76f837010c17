#include "ServerObject.h"

namespace tolvan {

// ---------------------------------------------------------------- Arg

QVariant Arg::value() const
{
    if (const auto *value = std::get_if<QVariant>(&m_target))
        return *value;
    if (auto *const *text = std::get_if<QString *>(&m_target))
        return QVariant(**text);
    return *std::get<QVariant *>(m_target);
}

void Arg::writeBack(const QVariant &value) const
{
    if (auto *const *text = std::get_if<QString *>(&m_target))
        **text = value.toString();
    else if (auto *const *variant = std::get_if<QVariant *>(&m_target))
        **variant = value;
}

ServerObject::~ServerObject() = default;

ResultSet::~ResultSet() = default;

bool ResultSet::appendUtf8(int, QByteArray &)
{
    return false;
}

} // namespace tolvan
