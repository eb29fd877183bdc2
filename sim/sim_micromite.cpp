// A simulated Micromite served on a simulated COM device.
#include "sim/micromite_model.h"
#include "sim/sim.h"
#include "sim/sim_state.h"

#include <memory>

MicromiteModel& SimConnectMicromite(const std::wstring& name, const MicromiteOptions& options) {
    // The peer's two halves share the model with the world.
    auto model = std::make_shared<MicromiteModel>();
    MicromiteReset(*model, options, SimNowNanoseconds());
    Sim().serial.micromites.push_back(model);
    SimAddComDevice(name);
    SimComPeer peer;
    peer.receive = [model](std::int64_t atNanoseconds, const std::string& bytes) {
        MicromiteReceive(*model, atNanoseconds, bytes.data(), bytes.size());
    };
    peer.send = [model](std::int64_t untilNanoseconds, std::string& bytes) {
        MicromiteTakeOutput(*model, untilNanoseconds, bytes);
    };
    SimSetComPeer(name, std::move(peer));
    return *model;
}
