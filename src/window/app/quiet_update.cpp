// The scoped guard that keeps handlers out of program-made widget updates.
#include "app/quiet_update.h"

QuietUpdate::QuietUpdate(std::function<void(bool)> connectLinks)
    : m_connectLinks(std::move(connectLinks))
{
    m_connectLinks(false);
}

QuietUpdate::QuietUpdate(QObject* sender, const char* signal, QObject* receiver, const char* slot)
    : QuietUpdate([=](bool on) {
          if (on)
              QObject::connect(sender, signal, receiver, slot, Qt::UniqueConnection);
          else
              QObject::disconnect(sender, signal, receiver, slot);
      })
{
}

QuietUpdate::~QuietUpdate()
{
    m_connectLinks(true);
}
