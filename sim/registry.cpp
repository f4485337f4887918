// The control API's free functions: plugging, resetting, listing boards.
#include "registry.h"

#include "clock.h"
#include "sim_board.h"
#include "wire_codec.h"

namespace sim {

Registry& registry()
{
    static Registry* const instance = new Registry;
    return *instance;
}

Board* plug(const BoardConfig& config)
{
    Registry& r = registry();
    const QByteArray path = "sim:" + QByteArray::number(r.nextPath++);
    r.boards.push_back(std::make_unique<SimBoard>(config, path));
    return r.boards.back().get();
}

void reset()
{
    Registry& r = registry();
    // Each board cuts its handle loose as it goes; the handles stay allocated
    // until the program closes them.
    r.boards.clear();
    r.nextPath = 0;
}

QList<Board*> boards()
{
    QList<Board*> list;
    for (const auto& board : registry().boards)
        list.append(board.get());
    return list;
}

int openHandleCount()
{
    return int(registry().handles.size());
}

qint64 nowMs()
{
    return timing::nowMs();
}

QByteArray realTimeReport(const LiveValues& values)
{
    return wire::realTimeReport(values);
}

} // namespace sim
