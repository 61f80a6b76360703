-- The handle rule, the table of 30 slots and the table-wide functions.

-- Every handle-taking function with otherwise acceptable arguments, and its
-- failure value.
local function handle_calls()
  return {
    { "tClose", function(h) return tClose(h) end, 0 },
    { "tConnect", function(h) return tConnect(h, "127.0.0.1", PORTS.echo) end, 0 },
    { "tListen", function(h) return tListen(h) end, 0 },
    { "tAccept", function(h) return tAccept(h, 1) end, 0 },
    { "tWait", function(h) return tWait(h, 1) end, 0 },
    { "tRecv", function(h) return tRecv(h, 10) end, "" },
    { "tSend", function(h) return tSend(h, "x") end, 0 },
    { "tSendTo", function(h) return tSendTo(h, "x", "127.0.0.1", PORTS.udp) end, 0 },
    { "tSetCallback", function(h) return tSetCallback(h, "print") end, 0 },
    { "tGetError", function(h) return tGetError(h) end, 0 },
  }
end

group("handle rule for every handle-taking function", function()
  local keep = tCreate(0, 0)  -- a slot in use that none of the calls may touch
  expect(keep, 1, "first handle")
  local released = tCreate(1, 0)
  tClose(released)
  for _, call in ipairs(handle_calls()) do
    local name, f, failure = call[1], call[2], call[3]
    for _, bad in ipairs({ 0, -1, 31, 30.5, 1e10, -1e10, "1", {}, true, released }) do
      local got = results(f(bad))
      expect(got.n, 1, name .. "(" .. tostring(bad) .. ") result count")
      expect(got[1], failure, name .. "(" .. tostring(bad) .. ")")
      expect(tGetCount(), 1, name .. "(" .. tostring(bad) .. ") leaves the table")
    end
    local got = results(f())
    expect(got[1], failure, name .. "() without arguments")
  end
  -- the slot kept is still usable
  expect(tConnect(keep, "127.0.0.1", PORTS.echo), 1, "kept slot connects")
  expect(tSend(keep, "still here"), 10, "kept slot sends")
  expect(tRecv(keep, 0), "still here", "kept slot receives")
end)

group("a handle's fraction is dropped", function()
  for i = 1, 3 do expect(tCreate(0, 0), i, "handle " .. i) end
  expect(tClose(2.9), 0, "tClose(2.9)")
  expect(tGetCount(), 2, "one slot released")
  expect(tGetError(1.99), 0, "tGetError(1.99) names slot 1")
  expect(tCreate(0, 0), 2, "handle 2 was the one released")
  expect(tClose(3.0001), 0, "tClose(3.0001)")
  expect(tCreate(1, 0), 3, "handle 3 was the one released")
end)

group("30 slots, then the lowest free one is reused", function()
  expect(tGetCount(), 0, "empty table")
  expect(select("#", tClean()), 0, "tClean on an empty table")
  for i = 1, 30 do expect(tCreate(i % 2, 0), i, "handle " .. i) end
  expect(tGetCount(), 30, "all in use")
  expect(tCreate(0, 0), 0, "table full")
  expect(tCreate(1, 0), 0, "table full for UDP too")
  expect(tClose(7), 0, "tClose(7)")
  expect(tGetCount(), 29, "29 in use")
  expect(tCreate(0, 0), 7, "handle 7 reused")
  expect(tGetError(7), 0, "a new slot has no error")
  tClean()
  expect(tGetCount(), 0, "tClean releases all")
  expect(tCreate(0, 0), 1, "handles start at 1 again")
end)

group("tCreate: argument types and a UDP port already bound", function()
  expect(tCreate(), 0, "no arguments")
  expect(tCreate(0), 0, "no port")
  expect(tCreate("0", 0), 0, "text type")
  expect(tCreate(0, "0"), 0, "text port")
  expect(tGetCount(), 0, "no slot taken by failures")
  local u = tCreate(1, PORTS.free_udp)
  check(u ~= 0, "UDP socket on a free port")
  expect(tCreate(1, PORTS.free_udp), 0, "same UDP port again")
  expect(tCreate(1, PORTS.free_udp + 65536), 0, "the port's low 16 bits are the port")
  expect(tGetCount(), 1, "the failed tCreate left no slot")
  expect(tCreate(0, 0), 2, "the next slot is the one after the first")
end)
