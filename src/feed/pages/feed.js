// Shows the feed's messages as they come; reconnects when the program restarts.
function connect() {
    const shown = document.getElementById("state");
    const socket = new WebSocket("ws://" + location.host + "/feed");
    socket.onmessage = (event) => { shown.textContent = event.data; };
    socket.onclose = () => { shown.textContent = "Feed lost"; setTimeout(connect, 1000); };
}
connect();
