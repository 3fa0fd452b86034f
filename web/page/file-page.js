// A page opened from a file runs no module script and starts no worker, so it would say
// "Loading…" for ever: it says how to open it instead.
if (location.protocol === 'file:') {
  document.getElementById('status').textContent =
    'Browsers do not run this page from a file. Serve its folder over HTTP (for instance ' +
    '"python3 -m http.server" in it) and open the address the server gives.';
}
