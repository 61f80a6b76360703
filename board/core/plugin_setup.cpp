#include "plugin_setup.h"

#include "host_interface.h"
#include "plugin_identity.h"

#include <cstring>

void DefineSettingsColumns()
{
    struct Column {
        uint32_t id;
        int32_t defaultValue;
    };
    // Width first: the host shows the columns in this order.
    static const Column columns[] = {
        {ColBoardWidth, 400},
        {ColBoardHeight, 300},
        {ColBoardX, static_cast<int32_t>(0x80000000u)},  // CW_USEDEFAULT
        {ColBoardY, static_cast<int32_t>(0x80000000u)},
    };
    for (const Column& column : columns) {
        ColumnDef definition = {};
        definition.columnId = column.id;
        definition.valueType = ValueInt;
        definition.defaultValue = column.defaultValue;
        definition.hostField = 18;
        definition.name = EmptyText;
        SendHostMessage(MsgSetColumn, AddressWord(&definition), 0);
    }
}

void RegisterBoardAction()
{
    SendHostMessage(MsgActionIcon, ActionBoard, 101);

    ActionInfo info;
    std::memset(&info, 0, sizeof info);
    info.size = sizeof info;
    info.action.id = ActionBoard;
    info.action.parent = 1;
    info.action.contact = -2;
    info.hostField14 = -1;
    info.hostField30 = 863;
    info.hostField34 = 1;
    info.hostField38 = -1;
    info.hostField46 = 0;
    info.text = ActionLabelText;
    SendHostMessage(MsgAddAction, AddressWord(&info), 0);
}
