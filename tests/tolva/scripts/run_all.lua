-- Runs every tolva test script in this process and fails (a script error,
-- so the host exits non-zero) if any check failed.
-- Arguments: NAME=PORT pairs of the driver's peers.
local directory = arg[0]:match("^(.*[/\\])") or ""

dofile(directory .. "checks.lua")

-- A connection to the control peer that has been given one command.
function control_connection(command)
  local h = tCreate(0, 0)
  assert(h ~= 0, "tCreate for the control peer")
  assert(tConnect(h, "127.0.0.1", PORTS.control) == 1, "connect to the control peer")
  assert(tSend(h, command .. "\n") == #command + 1, "send the command")
  return h
end

-- Everything a TCP peer sends until it closes, read in pieces of `size`;
-- also answers the largest piece.
function receive_all(h, size)
  local pieces, largest = {}, 0
  for _ = 1, 10000 do
    local piece = tRecv(h, size)
    if piece == "" then break end
    largest = math.max(largest, #piece)
    pieces[#pieces + 1] = piece
  end
  return table.concat(pieces), largest
end

for _, name in ipairs({ "test_registration.lua", "test_handles.lua", "test_tcp.lua",
                        "test_udp.lua", "test_desktop.lua", "test_unload.lua" }) do
  dofile(directory .. name)
end

finish("tolva tests")
