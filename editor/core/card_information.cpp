#include "core/card_information.h"

#include "core/catalogue.h"
#include "core/language.h"
#include "core/trace.h"

#include <algorithm>

namespace brisken {
namespace {

constexpr const char* kActionTrace = "OnButtonSiminfo";
constexpr const char* kWorkerTrace = "ThreadReadSIMInfo";
constexpr int kLastStepBeforeDone = 99;

QString SizeLine(int titleId, long long bytes) {
    return QStringLiteral("%1 : %2 Bytes (%3 KB)")
        .arg(Text(titleId), QString::number(bytes), QString::number(bytes / 1024));
}

} // namespace

QString CardSizesText(std::uint32_t totalBytes, std::int32_t phoneBookBytes,
                      std::int32_t smsBytes) {
    // A size the card cannot have is shown as none rather than as a
    // negative number.
    return SizeLine(kMsgTotalSize, totalBytes) + QStringLiteral("\n\n") +
           SizeLine(kMsgPhoneBookSize, std::max(phoneBookBytes, 0)) + QStringLiteral("\n\n") +
           SizeLine(kMsgSmsSize, std::max(smsBytes, 0));
}

CardInformation::~CardInformation() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool CardInformation::Start(CardInfoView& view) {
    if (running_) {
        return false;
    }
    if (!library_.Require({NimbrelFunction::Connect, NimbrelFunction::ConnectAssignReader,
                           NimbrelFunction::DisConnect, NimbrelFunction::GetUSIMCardInfo,
                           NimbrelFunction::GetSIMCardInfo, NimbrelFunction::IsCDMA_RUIM,
                           NimbrelFunction::GetSIMFileMapSize})) {
        return false;
    }
    Trace(kActionTrace, 0);
    session_ = std::make_unique<CardSession>(library_);
    if (session_->Connect() != QUARN_OK) {
        view.Message(kMsgConnectFailed);
        session_.reset();
        return false;
    }
    Trace(kActionTrace, 1);
    if (!IdentifyCard(*session_, view)) {
        session_.reset();
        return false;
    }
    info_ = session_->Info();
    view.ShowCardType(session_->Family());
    view.Repaint();
    Trace(kActionTrace, 2);
    view.Pause(kIdentifiedPauseMs);

    done_.store(false, std::memory_order_relaxed);
    progress_ = 0;
    running_ = true;
    view.BeginMeasure();
    Trace(kActionTrace, 3);
    Trace(kActionTrace, 4);
    const QuarnConnection connection = session_->Connection();
    worker_ = std::jthread([this, connection] {
        totalSize_ = 0;
        sizeResult_ = QUARN_OK;
        Trace(kWorkerTrace, 0);
        int total = 0;
        sizeResult_ = library_.GetSIMFileMapSize(connection, &total);
        totalSize_ = static_cast<std::uint32_t>(total);
        Trace(kWorkerTrace, 1);
        done_.store(true, std::memory_order_release);
    });
    return true;
}

bool CardInformation::Tick(CardInfoView& view) {
    if (!running_) {
        return false;
    }
    if (!done_.load(std::memory_order_acquire)) {
        progress_ = std::min(progress_ + 1, kLastStepBeforeDone);
        view.SetProgress(progress_);
        return false;
    }
    done_.store(false, std::memory_order_relaxed);
    view.StopTimer();
    worker_.join();
    running_ = false;
    // The bar runs up to full before the answer shows.
    while (progress_ < 100) {
        view.SetProgress(progress_);
        view.Pause(kStepUpMs);
        ++progress_;
    }
    view.SetProgress(100);
    if (sizeResult_ != QUARN_OK) {
        view.Message(kMsgReadDataFailed);
        session_.reset();
        view.EndMeasure(false);
        return true;
    }
    session_.reset();
    view.EndMeasure(true);
    view.ShowText(CardSizesText(totalSize_, info_.phoneBookSize, info_.smsSize));
    return true;
}

} // namespace brisken
