#include "core/plugin_setup.h"

#include <windows.h>

#include <cstring>

#include "common/host_interface.h"
#include "core/plugin_identity.h"
#include "resource_ids.h"

namespace {

// The placement of a board before the user first moves or sizes one: the
// system chooses the place.
const int32_t DefaultBoardWidth = 400;
const int32_t DefaultBoardHeight = 300;
const int32_t DefaultBoardPosition = CW_USEDEFAULT;

}  // namespace

void DefineSettingsColumns()
{
    struct Column {
        uint32_t id;
        int32_t defaultValue;
    };
    // Width first: the host shows the columns in this order.
    static const Column columns[] = {
        {ColBoardWidth, DefaultBoardWidth},
        {ColBoardHeight, DefaultBoardHeight},
        {ColBoardX, DefaultBoardPosition},
        {ColBoardY, DefaultBoardPosition},
    };
    for (const Column& column : columns) {
        ColumnDef definition = {};
        definition.columnId = column.id;
        definition.valueType = ValueInt;
        definition.defaultValue = column.defaultValue;
        definition.hostField = ColumnDefHostField;
        definition.name = EmptyText;
        SendHostMessage(MsgSetColumn, AddressWord(&definition), 0);
    }
}

void RegisterBoardAction()
{
    // The host loads the item's icon from the plugin's resources itself.
    SendHostMessage(MsgActionIcon, ActionBoard, IDI_BOARD);

    ActionInfo info;
    std::memset(&info, 0, sizeof info);
    info.size = sizeof info;
    info.action.id = ActionBoard;
    info.action.parent = ActionBoardParent;
    info.action.contact = ActionContactUnset;
    info.hostField14 = ActionInfoHostField14;
    info.hostField30 = ActionInfoHostField30;
    info.hostField34 = ActionInfoHostField34;
    info.hostField38 = ActionInfoHostField38;
    info.hostField46 = ActionInfoHostField46;
    info.text = ActionLabelText;
    SendHostMessage(MsgAddAction, AddressWord(&info), 0);
}
