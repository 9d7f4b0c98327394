#include "app/station/uStationRecords.h"

#include <QThreadPool>

namespace {

// The measurements that fail most, as many as the history shows.
constexpr int FailingShown = 20;

} // namespace

TRecordsView ReadRecordsView(const TRecordsAsk& ask)
{
    TRecordsView view;
    TRecordStore store;
    if (!store.Open(TRecordsLocation::File(ask.Store), view.Error) || !FindRuns(store, ask.Filter, ask.RunLimit, view.Runs, view.Error))
        return view;
    if (ask.Statistics && YieldOf(store, ask.Filter, TYieldBy::Day, view.Yields, view.Error))
        TopFailing(store, ask.Filter, FailingShown, view.Failing, view.Error);
    return view;
}

void ReadRecordsLater(TPostBoxPtr box, TRecordsAsk ask, std::function<void(const TRecordsView&)> done)
{
    QThreadPool::globalInstance()->start([box = std::move(box), ask = std::move(ask), done = std::move(done)] {
        box->Post([done, view = ReadRecordsView(ask)] { done(view); });
    });
}
