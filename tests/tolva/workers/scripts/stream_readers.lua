-- The slot's worker and the script read one connection at once, both with
-- receives that take more than they hand out: every byte of the driver's
-- stream reaches exactly one of them, and each gets its pieces in the
-- stream's order.
local directory = arg[0]:match("^(.*[/\\])") or ""
dofile(directory .. "common.lua")

local RECORDS = 20000  -- "0000001\n" to "0020000\n", then the driver closes

group("two readers of one stream", function()
  local worker_pieces, ended = {}, false
  function OnStreamPiece(_, event, text)
    if event ~= 1 then
      ended = true
      return true
    end
    worker_pieces[#worker_pieces + 1] = text
    tGetCount()  -- the script's thread may come in here
    return true
  end

  local h = command("RECORDS " .. RECORDS)
  expect(tSetCallback(h, "OnStreamPiece"), 1, "serve the stream")
  local script_pieces, sizes = {}, { 1, 7, 1024, 100, 0, 3, 512 }
  repeat
    local text = tRecv(h, sizes[#script_pieces % #sizes + 1])
    script_pieces[#script_pieces + 1] = text
  until text == ""
  script_pieces[#script_pieces] = nil
  check(wait_until(function() return ended end), "the worker ends at the driver's close")

  local records = {}
  for n = 1, RECORDS do records[n] = string.format("%07d\n", n) end
  local stream = table.concat(records)
  local total = #table.concat(worker_pieces) + #table.concat(script_pieces)
  expect(total, #stream, "bytes received by both readers")
  check(#worker_pieces > 0 and #script_pieces > 0, "both readers got pieces")

  -- The pieces of both readers, each reader's in its own order, must tile
  -- the stream: a search over (worker pieces used, script pieces used).
  local W, S = worker_pieces, script_pieces
  local seen, pending, tiled = {}, { { 0, 0, 1 } }, false
  while #pending > 0 and not tiled do
    local i, j, at = unpack(table.remove(pending))
    local key = i * (#S + 1) + j
    if not seen[key] then
      seen[key] = true
      tiled = i == #W and j == #S and at == #stream + 1
      if i < #W and stream:sub(at, at + #W[i + 1] - 1) == W[i + 1] then
        pending[#pending + 1] = { i + 1, j, at + #W[i + 1] }
      end
      if j < #S and stream:sub(at, at + #S[j + 1] - 1) == S[j + 1] then
        pending[#pending + 1] = { i, j + 1, at + #S[j + 1] }
      end
    end
  end
  check(tiled, "the readers' pieces, each in its order, make up the stream once")
end)

finish()
