#include "app/core/pe_manager.h"

namespace chimora {

void PeManager::PowerOff(int code) {
    using platform::PowerOperation;
    power_.EnableShutdownPrivilege();
    switch (code) {
        case 1:
            power_.Perform(PowerOperation::ForcedLogOff);
            break;
        case 2:
            power_.Perform(PowerOperation::LogOff);
            break;
        case 3:
            power_.Perform(PowerOperation::PowerOff);
            break;
        case 4:
            power_.Perform(PowerOperation::Restart);
            break;
        case 5:
            power_.Perform(PowerOperation::ShutDown);
            break;
        default:
            break;
    }
}

}  // namespace chimora
