// The page-side query functions. No query handler exists on the other side,
// so every query fails asynchronously the way an unhandled query does.
(function () {
  'use strict';
  const canceledCode = -1;
  const canceledMessage = 'The query has been canceled';
  const defer = window.setTimeout.bind(window);
  const pending = new Set();
  let lastId = 0;

  function checkMember(request, name, type) {
    if (name in request && typeof request[name] !== type) {
      throw new Error(`Invalid arguments; object member '${name}' must have type ${type}`);
    }
  }

  function cefQuery(request) {
    if (arguments.length !== 1 || typeof request !== 'object' || request === null) {
      throw new Error('Invalid arguments; expecting a single object');
    }
    if (typeof request.request !== 'string') {
      throw new Error("Invalid arguments; object member 'request' is required and must have type string");
    }
    checkMember(request, 'onSuccess', 'function');
    checkMember(request, 'onFailure', 'function');
    checkMember(request, 'persistent', 'boolean');
    const id = ++lastId;
    const onFailure = request.onFailure;
    pending.add(id);
    defer(() => {
      if (pending.delete(id) && onFailure) onFailure(canceledCode, canceledMessage);
    }, 0);
    return id;
  }

  function cefQueryCancel(id) {
    if (arguments.length !== 1 || !Number.isInteger(id)) {
      throw new Error('Invalid arguments; expecting a single integer');
    }
    pending.delete(id);
  }

  window.cefQuery = cefQuery;
  window.cefQueryCancel = cefQueryCancel;
})();
