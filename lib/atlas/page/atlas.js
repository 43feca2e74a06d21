/* vorn-atlas: the atlas page's script, written by the vorn map tools */
// Shows the layers that layers.js lists (window.VORN_ATLAS) over Leaflet.
// layers.js comes in through a script tag, never a fetch, so that the page
// works opened from disk as well as from any static server.
//
// One map unit is one game tile: the longitude is the column and the latitude
// the row, counted down from the top. A place keeps its coordinates in every
// layer, but a game tile is tileWidth x tileHeight screen pixels at the top
// zoom, which differs between ports (and is not square on the Apple II): each
// layer has a CRS of its own, and showing a layer swaps the map's CRS and sets
// the view anew on the same game tile.
(function () {
  "use strict";

  const atlas = window.VORN_ATLAS || { layers: [], moonGates: [], balloon: null };
  const ZOOMS_PAST_TOP = 2; // tiles drawn up to 4 x their size
  const TOOLS = {
    "world pc": "vornpc_map",
    "world pc98": "vornpc98map",
    "world x68k": "vornx68kmap",
    "world a2": "vorna2map",
    "town pc98": "vornpc98towne",
    "town x68k": "vornx68ktowne",
  };

  const container = document.getElementById("map");
  if (!window.L || atlas.layers.length === 0) {
    const notice = document.createElement("p");
    notice.className = "atlas-notice";
    notice.textContent = window.L ? "This atlas holds no layer yet." : "Leaflet did not load.";
    container.appendChild(notice);
    return;
  }

  const escapeHtml = (text) =>
    text.replace(/[&<>"']/g, (c) => "&#" + c.charCodeAt(0) + ";");

  // A layer of the atlas: its tiles, and the CRS in which they lie.
  const AtlasLayer = L.TileLayer.extend({
    initialize(info) {
      this.info = info;
      const scale = Math.pow(2, info.topZoom);
      this.crs = L.extend({}, L.CRS.Simple, {
        transformation: new L.Transformation(info.tileWidth / scale, 0, info.tileHeight / scale, 0),
      });
      this.bounds = L.latLngBounds([0, 0], [info.mapHeight, info.mapWidth]);
      const tool = TOOLS[info.kind + " " + info.port] || "the vorn map tools";
      L.TileLayer.prototype.initialize.call(this, encodeURIComponent(info.name) + "/{z}/{x}/{y}.png", {
        // The map's zoom limits are the layer's (show); limits here would
        // also grey the layer out in the switcher at zooms past them.
        tileSize: L.point(info.imageWidth, info.imageHeight),
        maxNativeZoom: info.topZoom,
        bounds: this.bounds, // no tile outside the map is asked for
        noWrap: true,
        className: "atlas-tiles",
        attribution: "drawn by " + tool + ", the vorn map tools",
      });
    },
    // Before the tiles are laid out: the map takes this layer's CRS.
    beforeAdd() {
      show(this);
    },
  });

  const layers = atlas.layers.map((info) => new AtlasLayer(info));
  const byName = new Map(layers.map((layer) => [layer.info.name, layer]));

  const map = L.map(container, { minZoom: 0, zoomSnap: 1 });
  map.attributionControl.setPrefix('<a href="https://leafletjs.com">Leaflet</a>');

  let current = null; // the layer shown
  let pending = null; // the view the address asks for, with its layer

  // Shows the layer: on the view the address asked for, else on the same
  // game tile at the same zoom relative to the top zoom, else (the tile
  // lies outside this map) the whole map.
  function show(layer) {
    const info = layer.info;
    const maxZoom = info.topZoom + ZOOMS_PAST_TOP;
    let centre = null;
    let zoom = 0;
    if (pending && pending.layer === layer && pending.zoom !== undefined) {
      centre = L.latLng(pending.y, pending.x);
      zoom = pending.zoom;
    } else if (current) {
      centre = map.getCenter();
      zoom = map.getZoom() - current.info.topZoom + info.topZoom;
      if (!layer.bounds.contains(centre)) centre = null;
    }
    pending = null;
    current = layer;
    map.options.crs = layer.crs;
    map.options.maxZoom = maxZoom;
    map.options.maxBounds = layer.bounds.pad(0.5);
    if (!centre) {
      centre = layer.bounds.getCenter();
      zoom = map.getBoundsZoom(layer.bounds);
    }
    map.setView(centre, Math.min(Math.max(zoom, 0), maxZoom), { reset: true });
    map.setMaxBounds(map.options.maxBounds);
    map.fire("zoomlevelschange");
    document.title = info.title + " - Atlas";
    showSites();
  }

  // ---- the address: #LAYER/ZOOM/X/Y, X and Y the game tile at the centre ----

  function parseAddress() {
    let parts;
    try {
      parts = decodeURIComponent(location.hash.slice(1)).split("/");
    } catch (e) {
      return null;
    }
    const layer = byName.get(parts[0]);
    if (!layer) return null;
    if (parts.length !== 4 || !/^\d+$/.test(parts[1]) || parts[2] === "" || parts[3] === "") return { layer };
    const x = Number(parts[2]);
    const y = Number(parts[3]);
    if (!isFinite(x) || !isFinite(y)) return { layer };
    return { layer, zoom: Number(parts[1]), x, y };
  }

  const rounded = (v) => String(Math.round(v * 10000) / 10000);

  map.on("moveend", () => {
    const centre = map.getCenter();
    const address = "#" + current.info.name + "/" + map.getZoom() + "/" + rounded(centre.lng) + "/" + rounded(centre.lat);
    if (location.hash === address) return; // (no character of an address is escaped)
    try {
      history.replaceState(null, "", address);
    } catch (e) {
      location.replace(address);
    }
  });

  window.addEventListener("hashchange", () => {
    const asked = parseAddress();
    if (!asked) return;
    if (asked.layer !== current) {
      pending = asked;
      map.removeLayer(current);
      map.addLayer(asked.layer);
    } else if (asked.zoom !== undefined) {
      map.setView([asked.y, asked.x], asked.zoom);
    }
  });

  // ---- the moon gates and the balloon, on the world maps ----

  const sites = L.layerGroup();
  const siteMarker = (site, kind, label, title) =>
    L.marker([site.y + 0.5, site.x + 0.5], {
      icon: L.divIcon({ className: "atlas-site " + kind, html: label, iconSize: [20, 20] }),
      title: title + " (" + site.x + ", " + site.y + ")",
    });
  const siteMarkers = atlas.moonGates.map((gate) =>
    siteMarker(gate, "atlas-gate", String(gate.phase), "Moon gate of phase " + gate.phase)
  );
  if (atlas.balloon) siteMarkers.push(siteMarker(atlas.balloon, "atlas-balloon", "B", "Balloon"));

  function showSites() {
    sites.clearLayers();
    if (current.info.kind === "world") siteMarkers.forEach((marker) => sites.addLayer(marker));
  }

  // ---- the game tile under the pointer ----

  const Readout = L.Control.extend({
    options: { position: "bottomleft" },
    onAdd() {
      const element = L.DomUtil.create("div", "atlas-readout");
      return element; // empty, and so hidden, while the pointer is off the map

    },
  });
  const readout = new Readout().addTo(map);
  const showTile = (text) => {
    readout.getContainer().textContent = text;
  };
  map.on("mousemove", (e) => {
    const x = Math.floor(e.latlng.lng);
    const y = Math.floor(e.latlng.lat);
    const info = current.info;
    showTile(x >= 0 && y >= 0 && x < info.mapWidth && y < info.mapHeight ? x + ", " + y : "");
  });
  map.on("mouseout", () => showTile(""));

  // ---- the layer switcher, and the first view ----

  const control = L.control.layers(null, null, { collapsed: true });
  layers.forEach((layer) => control.addBaseLayer(layer, escapeHtml(layer.info.title)));
  control.addOverlay(sites, "Moon gates and balloon (world maps)");
  control.addTo(map);

  const asked = parseAddress();
  pending = asked;
  map.addLayer(asked ? asked.layer : layers[0]);
  sites.addTo(map);
})();
